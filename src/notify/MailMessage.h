#pragma once

#include "notify/MailAddress.h"
#include "notify/MailBodyPart.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A plain-text e-mail: sender, subject, one body part and the recipients, in the form the SMTP
// client sends it.
class CMailMessage
{
public:
    // Splits the text at ',' and ';', parses each non-empty entry and appends those with an address.
    // True when at least one recipient was added.
    bool AddRecipientList(std::string_view list);
    void SetBodyText(std::string_view text) { m_Body.AssignText(text); }
    const std::string& GetBodyText() const { return m_Body.GetText(); }

    // From, To, Subject, Content-Type and Date lines, each ending with CR LF, dated now; with
    // MIME-Version and Content-Transfer-Encoding when ChooseEncoding asked for them.
    std::string BuildHeader() const;
    std::string BuildHeader(int64_t now) const;
    // "Mon, 07 Dec 2026 09:05:01 +0100": English names, local time, numeric zone offset.
    static std::string FormatDate(int64_t now);
    // The zone offset for a bias of minutes west of UTC: +0100 for -60, -0500 for 300.
    static std::string FormatZoneOffset(int biasMinutes);

    // Our texts are UTF-8 (one that is not well-formed is taken to be iso-8859-1 and converted).
    // A message of ASCII texts keeps iso-8859-1 and goes out unencoded as long as no body line is
    // over SMTP's limit; otherwise the texts are labelled utf-8 and the body is quoted-printable,
    // which also breaks every long line within the limit.
    void ChooseEncoding();

    // Names the first header field holding a CR or LF ("the subject", "the sender's name", ...);
    // empty when there is none. Such a field could smuggle header lines or SMTP commands.
    std::string FindLineBreak() const;

    CMailAddress m_From;
    std::string m_strSubject;
    CMailBodyPart m_Body;
    std::vector<CMailAddress> m_Recipients;
};
