#include "extract/IgnoreRules.h"

#include "extract/ExtractLimits.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <chrono>

namespace {

constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX | PCRE2_DOLLAR_ENDONLY
    | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C;

struct CodeFree
{
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree
{
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextFree
{
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

std::string PcreMessage(int code)
{
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

Result<std::unique_ptr<pcre2_code, CodeFree>> Compile(std::string_view expression)
{
    if (expression.empty())
        return MakeError(ErrorKind::BadInput, "The regular expression is empty");
    if (expression.size() > ExtractLimits::kMaxIgnoreRuleLength)
        return MakeError(ErrorKind::BadInput,
                         "The regular expression is longer than " + std::to_string(ExtractLimits::kMaxIgnoreRuleLength)
                             + " characters");
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_compile_extra_options(context, PCRE2_EXTRA_ALT_BSUX);
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()), expression.size(),
                                         kCompileOptions, &code, &offset, context);
    pcre2_compile_context_free(context);
    if (!compiled)
        return MakeError(ErrorKind::BadInput,
                         "Invalid regular expression \"" + std::string(expression) + "\": " + PcreMessage(code)
                             + " at character " + std::to_string(offset + 1));
    return std::unique_ptr<pcre2_code, CodeFree>(compiled);
}

} // namespace

struct CIgnoreRules::Impl
{
    std::vector<std::string> texts;
    std::vector<std::string> sources;
    std::vector<std::unique_ptr<pcre2_code, CodeFree>> expressions;
    std::unique_ptr<pcre2_match_context, MatchContextFree> matchContext{pcre2_match_context_create(nullptr)};
};

CIgnoreRules::CIgnoreRules()
    : m_impl(std::make_unique<Impl>())
{
    pcre2_set_match_limit(m_impl->matchContext.get(), ExtractLimits::kMaxRegexStepsPerLine);
    pcre2_set_depth_limit(m_impl->matchContext.get(), ExtractLimits::kMaxRegexStepsPerLine);
}
CIgnoreRules::~CIgnoreRules() = default;
CIgnoreRules::CIgnoreRules(CIgnoreRules&&) noexcept = default;
CIgnoreRules& CIgnoreRules::operator=(CIgnoreRules&&) noexcept = default;

Status CIgnoreRules::ValidateExpression(std::string_view expression)
{
    auto compiled = Compile(expression);
    if (!compiled)
        return compiled.error();
    return {};
}

Result<CIgnoreRules> CIgnoreRules::Make(const std::vector<std::string>& texts,
                                        const std::vector<std::string>& expressions)
{
    CIgnoreRules rules;
    for (const std::string& text : texts) {
        if (text.empty())
            return MakeError(ErrorKind::BadInput, "An ignore text is empty: it would drop every line");
        if (text.size() > ExtractLimits::kMaxIgnoreRuleLength)
            return MakeError(ErrorKind::BadInput,
                             "An ignore text is longer than " + std::to_string(ExtractLimits::kMaxIgnoreRuleLength)
                                 + " characters");
        rules.m_impl->texts.push_back(text);
    }
    for (const std::string& expression : expressions) {
        auto compiled = Compile(expression);
        if (!compiled)
            return compiled.error();
        rules.m_impl->sources.push_back(expression);
        rules.m_impl->expressions.push_back(std::move(compiled.value()));
    }
    return rules;
}

bool CIgnoreRules::IsEmpty() const
{
    return m_impl->texts.empty() && m_impl->expressions.empty();
}

Result<std::string> CIgnoreRules::Apply(std::string_view text) const
{
    if (IsEmpty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    // Each match has its step budget; a page of many lines that each come close to it is stopped by
    // the page's time budget, since PCRE2 does not say how many steps a match took.
    const auto deadline = std::chrono::steady_clock::now() + ExtractLimits::kMaxIgnoreTimePerPage;
    std::unique_ptr<pcre2_match_data, MatchDataFree> matchData(pcre2_match_data_create(1, nullptr));
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(pos, end - pos);
        std::string_view content = line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
        pos = end;
        bool ignored = false;
        for (const std::string& needle : m_impl->texts)
            if (content.find(needle) != std::string_view::npos) {
                ignored = true;
                break;
            }
        for (std::size_t i = 0; !ignored && i < m_impl->expressions.size(); ++i) {
            if (std::chrono::steady_clock::now() > deadline)
                return MakeError(ErrorKind::TimedOut,
                                 "Ignore rules took too long on this page (stopped at \"" + m_impl->sources[i] + "\")");
            const int rc = pcre2_match(m_impl->expressions[i].get(), reinterpret_cast<PCRE2_SPTR>(content.data()),
                                       content.size(), 0, 0, matchData.get(), m_impl->matchContext.get());
            if (rc >= 0)
                ignored = true;
            else if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT)
                return MakeError(ErrorKind::TimedOut,
                                 "The ignore expression \"" + m_impl->sources[i]
                                     + "\" backtracks without end: stopped after "
                                     + std::to_string(ExtractLimits::kMaxRegexStepsPerLine) + " steps");
            else if (rc != PCRE2_ERROR_NOMATCH)
                return MakeError(ErrorKind::Internal,
                                 "The ignore expression \"" + m_impl->sources[i] + "\" failed: " + PcreMessage(rc));
        }
        if (!ignored)
            out.append(line);
    }
    return out;
}
