#include "extract/CssSelector.h"

#include "extract/ExtractLimits.h"
#include "platform/Utf8.h"

#include <cctype>
#include <optional>
#include <vector>

namespace {

constexpr const char* kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr const char* kLower = "abcdefghijklmnopqrstuvwxyz";

// The text as an XPath string literal; XPath has no escapes, so a text holding both quotes is a concat().
std::string Literal(std::string_view text)
{
    if (text.find('\'') == std::string_view::npos)
        return "'" + std::string(text) + "'";
    if (text.find('"') == std::string_view::npos)
        return "\"" + std::string(text) + "\"";
    std::string out = "concat(";
    std::size_t start = 0;
    for (;;) {
        const std::size_t quote = text.find('\'', start);
        out += "'" + std::string(text.substr(start, quote - start)) + "'";
        if (quote == std::string_view::npos)
            break;
        out += ",\"'\",";
        start = quote + 1;
    }
    return out + ")";
}

// Names from escapes may hold anything; only those XPath can take as a name test are accepted.
bool IsXPathName(const std::string& name)
{
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-' || name[0] == '.')
        return false;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.'
            && static_cast<unsigned char>(c) < 0x80)
            return false;
    return true;
}

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class CParser
{
public:
    explicit CParser(std::string_view text)
        : m_text(text)
    { }

    Result<std::string> Run()
    {
        std::string xpath;
        for (;;) {
            SkipSpace();
            auto path = Complex();
            if (!m_error.empty())
                return Fail();
            xpath += (xpath.empty() ? "" : " | ") + path;
            SkipSpace();
            if (AtEnd())
                return xpath;
            if (Peek() != ',')
                return Fail("Unexpected \"" + std::string(1, Peek()) + "\"");
            ++m_pos;
        }
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
    bool SkipSpace()
    {
        const std::size_t start = m_pos;
        while (!AtEnd() && IsSpace(Peek()))
            ++m_pos;
        return m_pos != start;
    }
    static bool IsNameChar(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'
            || static_cast<unsigned char>(c) >= 0x80;
    }

    void SetError(const std::string& message)
    {
        if (m_error.empty()) {
            m_error = message;
            m_errorPos = m_pos;
        }
    }
    Error Fail(const std::string& message = {})
    {
        if (!message.empty())
            SetError(message);
        return MakeError(ErrorKind::BadInput,
                         m_error + " at character " + std::to_string(m_errorPos + 1) + " of the selector \""
                             + std::string(m_text) + "\"");
    }

    // An identifier with CSS escapes ("\31 0" or "\:") resolved; empty after an error.
    std::string Name()
    {
        std::string name;
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\\') {
                ++m_pos;
                if (AtEnd())
                    return SetError("Escape at the end"), std::string();
                if (std::isxdigit(static_cast<unsigned char>(Peek()))) {
                    unsigned long cp = 0;
                    for (int i = 0; i < 6 && std::isxdigit(static_cast<unsigned char>(Peek())); ++i)
                        cp = cp * 16 + std::stoul(std::string(1, m_text[m_pos++]), nullptr, 16);
                    if (IsSpace(Peek()))
                        ++m_pos;
                    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
                        cp = 0xFFFD;
                    AppendUtf8(name, static_cast<char32_t>(cp));
                } else {
                    name += m_text[m_pos++];
                }
                continue;
            }
            if (!IsNameChar(c))
                break;
            name += c;
            ++m_pos;
        }
        if (name.empty())
            SetError("Expected a name");
        return name;
    }

    std::string QuotedOrName()
    {
        const char quote = Peek();
        if (quote != '"' && quote != '\'')
            return Name();
        ++m_pos;
        std::string value;
        while (!AtEnd() && Peek() != quote) {
            if (Peek() == '\\' && m_pos + 1 < m_text.size())
                ++m_pos;
            value += m_text[m_pos++];
        }
        if (AtEnd())
            return SetError("Unterminated string"), std::string();
        ++m_pos;
        return value;
    }

    // One compound selector: the element test and its conditions, "" after an error.
    std::string Compound()
    {
        std::string element = "*";
        std::string conditions;
        bool any = false;
        if (Peek() == '*') {
            ++m_pos;
            any = true;
        } else if (IsNameChar(Peek()) || Peek() == '\\') {
            element = AsciiLower(Name());
            if (m_error.empty() && !IsXPathName(element))
                SetError("Unsupported element name \"" + element + "\"");
            any = true;
        }
        while (m_error.empty()) {
            std::optional<std::string> condition = Condition(false);
            if (!condition)
                break;
            conditions += "[" + *condition + "]";
            any = true;
        }
        if (!any)
            SetError(AtEnd() ? "Expected a selector" : "Unexpected \"" + std::string(1, Peek()) + "\"");
        return element + conditions;
    }

    // One condition (#id, .class, [attr], :pseudo) as an XPath test; nullopt when none starts here.
    std::optional<std::string> Condition(bool insideNot)
    {
        switch (Peek()) {
        case '#':
            ++m_pos;
            return "@id=" + Literal(Name());
        case '.':
            ++m_pos;
            return "contains(concat(' ',normalize-space(@class),' '),' " + Escaped(Name()) + " ')";
        case '[':
            ++m_pos;
            return Attribute();
        case ':':
            ++m_pos;
            return Pseudo(insideNot);
        default:
            return std::nullopt;
        }
    }

    // A value placed inside a ' '-quoted literal that contains spaces around it.
    std::string Escaped(const std::string& value)
    {
        if (value.find('\'') != std::string::npos) {
            SetError("A class name cannot hold a quote");
            return {};
        }
        return value;
    }

    std::string Attribute()
    {
        SkipSpace();
        const std::string name = AsciiLower(Name());
        if (m_error.empty() && !IsXPathName(name))
            SetError("Unsupported attribute name \"" + name + "\"");
        SkipSpace();
        if (!m_error.empty())
            return {};
        if (Peek() == ']') {
            ++m_pos;
            return "@" + name;
        }
        std::string op;
        if (Peek() == '=') {
            op = "=";
            ++m_pos;
        } else if (m_pos + 1 < m_text.size() && std::string_view("~|^$*").find(Peek()) != std::string_view::npos
                   && m_text[m_pos + 1] == '=') {
            op = m_text.substr(m_pos, 2);
            m_pos += 2;
        } else {
            SetError("Expected an attribute operator or \"]\"");
            return {};
        }
        SkipSpace();
        std::string value = QuotedOrName();
        if (!m_error.empty())
            return {};
        SkipSpace();
        bool noCase = false;
        if (Peek() == 'i' || Peek() == 'I') {
            noCase = true;
            ++m_pos;
            SkipSpace();
        }
        if (Peek() != ']') {
            SetError("Expected \"]\"");
            return {};
        }
        ++m_pos;
        std::string attr = "@" + name;
        if (noCase) {
            attr = std::string("translate(") + attr + ",'" + kUpper + "','" + kLower + "')";
            value = AsciiLower(value);
        }
        const std::string v = Literal(value);
        if (op == "=")
            return attr + "=" + v;
        if (op == "|=")
            return "(" + attr + "=" + v + " or starts-with(" + attr + "," + Literal(value + "-") + "))";
        // An empty value or a word with a space in it never matches these.
        if (value.empty() || (op == "~=" && value.find_first_of(" \t\n\r\f") != std::string::npos))
            return "false()";
        if (op == "~=")
            return "contains(concat(' ',normalize-space(" + attr + "),' '),concat(' '," + v + ",' '))";
        if (op == "^=")
            return "starts-with(" + attr + "," + v + ")";
        if (op == "$=")
            return "substring(" + attr + ",string-length(" + attr + ")-string-length(" + v + ")+1)=" + v;
        return "contains(" + attr + "," + v + ")";
    }

    // "an+b" with a and b, "odd", "even" or a number.
    bool NthArgument(long& a, long& b)
    {
        SkipSpace();
        const std::size_t start = m_pos;
        while (!AtEnd() && Peek() != ')')
            ++m_pos;
        if (AtEnd()) {
            SetError("Expected \")\"");
            return false;
        }
        std::string arg;
        for (char c : m_text.substr(start, m_pos - start))
            if (!IsSpace(c))
                arg += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ++m_pos;
        if (arg == "odd") {
            a = 2, b = 1;
            return true;
        }
        if (arg == "even") {
            a = 2, b = 0;
            return true;
        }
        const auto number = [](const std::string& text, long& out) {
            if (text.empty() || text.size() > 9)
                return false;
            std::size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
            if (i == text.size())
                return false;
            for (std::size_t j = i; j < text.size(); ++j)
                if (!std::isdigit(static_cast<unsigned char>(text[j])))
                    return false;
            out = std::stol(text);
            return true;
        };
        const std::size_t n = arg.find('n');
        bool ok = true;
        if (n == std::string::npos) {
            a = 0;
            ok = number(arg, b);
        } else {
            const std::string left = arg.substr(0, n), right = arg.substr(n + 1);
            if (left.empty() || left == "+")
                a = 1;
            else if (left == "-")
                a = -1;
            else
                ok = number(left, a);
            b = 0;
            if (ok && !right.empty())
                ok = (right[0] == '+' || right[0] == '-') && number(right, b);
        }
        if (!ok)
            SetError("Expected an+b, odd or even");
        return ok;
    }

    static std::string Nth(long a, long b, const char* axis)
    {
        const std::string p = std::string("(count(") + axis + "::*)+1)";
        if (a == 0)
            return p + "=" + std::to_string(b);
        if (a > 0)
            return p + ">=" + std::to_string(b) + " and (" + p + "-" + std::to_string(b) + ") mod " + std::to_string(a)
                + "=0";
        return p + "<=" + std::to_string(b) + " and (" + std::to_string(b) + "-" + p + ") mod " + std::to_string(-a)
            + "=0";
    }

    std::string Pseudo(bool insideNot)
    {
        const std::string name = AsciiLower(Name());
        if (!m_error.empty())
            return {};
        if (name == "first-child")
            return "not(preceding-sibling::*)";
        if (name == "last-child")
            return "not(following-sibling::*)";
        if (name == "only-child")
            return "not(preceding-sibling::*) and not(following-sibling::*)";
        if (name == "empty")
            return "not(*) and not(text())";
        if (name == "root")
            return "not(parent::*)";
        if ((name == "nth-child" || name == "nth-last-child") && Peek() == '(') {
            ++m_pos;
            long a = 0, b = 0;
            if (!NthArgument(a, b))
                return {};
            return Nth(a, b, name == "nth-child" ? "preceding-sibling" : "following-sibling");
        }
        if (name == "not" && Peek() == '(' && !insideNot) {
            ++m_pos;
            SkipSpace();
            std::string test;
            if (Peek() == '*') {
                ++m_pos;
                test = "true()";
            } else if (IsNameChar(Peek()) || Peek() == '\\') {
                test = "self::" + AsciiLower(Name());
                if (m_error.empty() && !IsXPathName(test.substr(6)))
                    SetError("Unsupported element name \"" + test.substr(6) + "\"");
            } else if (auto condition = Condition(true)) {
                test = *condition;
            } else {
                SetError("Expected a simple selector");
            }
            SkipSpace();
            if (m_error.empty() && Peek() != ')')
                SetError("Expected \")\": :not() takes one simple selector");
            ++m_pos;
            return "not(" + test + ")";
        }
        m_pos -= std::min(m_pos, name.size() + 1); // point at the colon
        SetError("Unsupported pseudo-class \":" + name + "\"");
        return {};
    }

    // compound (combinator compound)*, as a path from the document. A descendant is a step on the
    // descendant axis rather than "//": libxml2 makes "//" a set of every node under each context,
    // merged one context at a time against all it holds so far, which costs the square of the page's
    // nodes. The compounds' conditions are never positions, so both select the same.
    std::string Complex()
    {
        std::string path = "/descendant::" + Compound();
        while (m_error.empty()) {
            const bool space = SkipSpace();
            const char c = Peek();
            if (AtEnd() || c == ',')
                break;
            if (c == '>' || c == '+' || c == '~') {
                ++m_pos;
                SkipSpace();
            } else if (!space) {
                SetError("Unexpected \"" + std::string(1, c) + "\"");
                break;
            }
            std::string next = Compound();
            if (c == '>') {
                path += "/" + next;
            } else if (c == '+') {
                const std::size_t bracket = next.find('[');
                const std::string element = next.substr(0, bracket);
                const std::string conditions = bracket == std::string::npos ? "" : next.substr(bracket);
                path += "/following-sibling::*[1]/self::" + element + conditions;
            } else if (c == '~') {
                path += "/following-sibling::" + next;
            } else {
                path += "/descendant::" + next;
            }
        }
        return path;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_error;
    std::size_t m_errorPos = 0;
};

} // namespace

Result<std::string> CompileCssSelector(std::string_view selector)
{
    if (selector.size() > ExtractLimits::kMaxSelectorLength)
        return MakeError(ErrorKind::BadInput,
                         "The selector is longer than " + std::to_string(ExtractLimits::kMaxSelectorLength)
                             + " characters");
    if (selector.find('\0') != std::string_view::npos)
        return MakeError(ErrorKind::BadInput, "The selector holds a zero byte");
    return CParser(selector).Run();
}
