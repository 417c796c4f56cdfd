#include "run/ControlRequest.h"

#include <cstdint>

namespace {

// Each message starts with its kind and a format version, so that a program of another version is
// refused plainly instead of misread.
constexpr uint8_t kRequestTag = 'Q';
constexpr uint8_t kAnswerTag = 'A';
constexpr uint8_t kFormat = 2;

class CWriter
{
public:
    void Byte(uint8_t value) { m_out += static_cast<char>(value); }
    void Number(uint64_t value)
    {
        for (int shift = 0; shift < 64; shift += 8)
            m_out += static_cast<char>((value >> shift) & 0xFF);
    }
    void Text(const std::string& text)
    {
        Number(text.size());
        m_out += text;
    }
    void Texts(const std::vector<std::string>& texts)
    {
        Number(texts.size());
        for (const std::string& text : texts)
            Text(text);
    }
    void MaybeText(const std::optional<std::string>& text)
    {
        Byte(text ? 1 : 0);
        if (text)
            Text(*text);
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

// Every read checks the bytes that are left; the first failure sticks.
class CReader
{
public:
    explicit CReader(const std::string& bytes)
        : m_bytes(bytes)
    { }

    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_ok && m_pos == m_bytes.size(); }

    uint8_t Byte()
    {
        if (!Have(1))
            return 0;
        return static_cast<uint8_t>(m_bytes[m_pos++]);
    }
    uint64_t Number()
    {
        if (!Have(8))
            return 0;
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value |= static_cast<uint64_t>(static_cast<unsigned char>(m_bytes[m_pos + i])) << (8 * i);
        m_pos += 8;
        return value;
    }
    std::string Text()
    {
        const uint64_t size = Number();
        if (!Have(size))
            return {};
        std::string text = m_bytes.substr(m_pos, size);
        m_pos += size;
        return text;
    }
    std::vector<std::string> Texts()
    {
        const uint64_t count = Number();
        std::vector<std::string> texts;
        // Each text takes at least its length: a count beyond the bytes left is a lie.
        if (!m_ok || count > (m_bytes.size() - m_pos) / 8) {
            m_ok = false;
            return texts;
        }
        for (uint64_t i = 0; i < count && m_ok; ++i)
            texts.push_back(Text());
        return texts;
    }
    std::optional<std::string> MaybeText()
    {
        const uint8_t present = Byte();
        if (present > 1)
            m_ok = false;
        if (present != 1)
            return std::nullopt;
        return Text();
    }
    bool Flag()
    {
        const uint8_t value = Byte();
        if (value > 1)
            m_ok = false;
        return value == 1;
    }

private:
    bool Have(uint64_t size)
    {
        if (m_ok && m_bytes.size() - m_pos >= size)
            return true;
        m_ok = false;
        return false;
    }

    const std::string& m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace

std::string EncodeControlRequest(const ControlRequest& request)
{
    CWriter out;
    out.Byte(kRequestTag);
    out.Byte(kFormat);
    out.Byte(static_cast<uint8_t>(request.verb));
    out.Texts(request.pages);
    const PageChanges& changes = request.changes;
    out.MaybeText(changes.url);
    out.MaybeText(changes.name);
    out.Byte(changes.watches ? 1 : 0);
    if (changes.watches)
        out.Texts(*changes.watches);
    out.MaybeText(changes.searchText);
    out.MaybeText(changes.startText);
    out.MaybeText(changes.endText);
    out.Byte(changes.savePage ? (*changes.savePage ? 2 : 1) : 0);
    out.Byte(changes.render ? (*changes.render ? 2 : 1) : 0);
    // -1 is no wait given; a wait out of range crosses as it is and is refused on the other side.
    out.Number(static_cast<uint64_t>(static_cast<int64_t>(changes.renderWait.value_or(-1))));
    out.MaybeText(changes.compare);
    out.MaybeText(changes.select);
    out.MaybeText(changes.xpath);
    out.Byte(changes.clearIgnore ? 1 : 0);
    out.Texts(changes.ignoreTexts);
    out.Texts(changes.ignoreRegexes);
    out.MaybeText(changes.trigger);
    out.MaybeText(changes.announce);
    out.MaybeText(changes.every);
    out.Text(request.file);
    out.Byte(request.withDiffs ? 1 : 0);
    return out.Take();
}

std::optional<ControlRequest> DecodeControlRequest(const std::string& bytes)
{
    CReader in(bytes);
    if (in.Byte() != kRequestTag || in.Byte() != kFormat)
        return std::nullopt;
    ControlRequest request;
    const uint8_t verb = in.Byte();
    if (verb < static_cast<uint8_t>(ControlVerb::ShowWindow)
        || verb > static_cast<uint8_t>(ControlVerb::ImportChromium))
        return std::nullopt;
    request.verb = static_cast<ControlVerb>(verb);
    request.pages = in.Texts();
    PageChanges& changes = request.changes;
    changes.url = in.MaybeText();
    changes.name = in.MaybeText();
    if (in.Flag())
        changes.watches = in.Texts();
    changes.searchText = in.MaybeText();
    changes.startText = in.MaybeText();
    changes.endText = in.MaybeText();
    switch (in.Byte()) {
    case 0:
        break;
    case 1:
        changes.savePage = false;
        break;
    case 2:
        changes.savePage = true;
        break;
    default:
        return std::nullopt;
    }
    switch (in.Byte()) {
    case 0:
        break;
    case 1:
        changes.render = false;
        break;
    case 2:
        changes.render = true;
        break;
    default:
        return std::nullopt;
    }
    if (const int64_t wait = static_cast<int64_t>(in.Number()); wait != -1)
        changes.renderWait = wait < INT32_MIN || wait > INT32_MAX ? -1 : static_cast<int>(wait);
    changes.compare = in.MaybeText();
    changes.select = in.MaybeText();
    changes.xpath = in.MaybeText();
    changes.clearIgnore = in.Flag();
    changes.ignoreTexts = in.Texts();
    changes.ignoreRegexes = in.Texts();
    changes.trigger = in.MaybeText();
    changes.announce = in.MaybeText();
    changes.every = in.MaybeText();
    request.file = in.Text();
    request.withDiffs = in.Flag();
    if (!in.AtEnd())
        return std::nullopt;
    return request;
}

std::string EncodeControlAnswer(const ControlAnswer& answer)
{
    CWriter out;
    out.Byte(kAnswerTag);
    out.Byte(kFormat);
    out.Byte(static_cast<uint8_t>(answer.outcome));
    out.Text(answer.error);
    out.Texts(answer.warnings);
    out.Number(answer.pages.size());
    for (const AnsweredPage& page : answer.pages) {
        out.Text(page.label);
        out.Number(page.position);
        out.Text(page.name);
        out.Text(page.url);
        out.Byte(page.changed ? 1 : 0);
        out.Text(page.changeReason);
        out.Byte(page.failed ? 1 : 0);
        out.Text(page.failure);
    }
    out.Number(answer.count);
    out.Texts(answer.skipped);
    out.Text(answer.program);
    return out.Take();
}

std::optional<ControlAnswer> DecodeControlAnswer(const std::string& bytes)
{
    CReader in(bytes);
    if (in.Byte() != kAnswerTag || in.Byte() != kFormat)
        return std::nullopt;
    ControlAnswer answer;
    const uint8_t outcome = in.Byte();
    if (outcome > static_cast<uint8_t>(ControlOutcome::Refused))
        return std::nullopt;
    answer.outcome = static_cast<ControlOutcome>(outcome);
    answer.error = in.Text();
    answer.warnings = in.Texts();
    const uint64_t pages = in.Number();
    // A page takes at least its six texts' lengths and its numbers.
    if (!in.Ok() || pages > bytes.size() / 40)
        return std::nullopt;
    for (uint64_t i = 0; i < pages && in.Ok(); ++i) {
        AnsweredPage page;
        page.label = in.Text();
        page.position = static_cast<uint32_t>(in.Number());
        page.name = in.Text();
        page.url = in.Text();
        page.changed = in.Flag();
        page.changeReason = in.Text();
        page.failed = in.Flag();
        page.failure = in.Text();
        answer.pages.push_back(std::move(page));
    }
    answer.count = in.Number();
    answer.skipped = in.Texts();
    answer.program = in.Text();
    if (!in.AtEnd())
        return std::nullopt;
    return answer;
}

const char* ControlVerbName(ControlVerb verb)
{
    switch (verb) {
    case ControlVerb::ShowWindow:
        return "show-window";
    case ControlVerb::Add:
        return "add";
    case ControlVerb::Edit:
        return "edit";
    case ControlVerb::Remove:
        return "remove";
    case ControlVerb::Clear:
        return "clear";
    case ControlVerb::Check:
        return "check";
    case ControlVerb::ImportList:
        return "import-list";
    case ControlVerb::ImportBookmarks:
        return "import-bookmarks";
    case ControlVerb::ImportFavorites:
        return "import-favorites";
    case ControlVerb::ImportFirefox:
        return "import-firefox";
    case ControlVerb::ImportChromium:
        return "import-chromium";
    }
    return "?";
}
