#pragma once
// The feedback form's texts and request, without widgets: the composed message, the percent-encoding
// of the mail link, the mail link and the copied text, the JSON body of the request and the address it
// goes to.
#include <QString>

#include <string>

namespace orvane::guide {

// Where feedback goes and who answers it; fixed when the application is built.
struct FeedbackConfig {
    QString baseUrl;      // an HTTPS address with no path of its own
    QString supportMail;  // shown in the form, the mail fallback's recipient

    static FeedbackConfig built();
};

// What the form holds when it is sent, mailed or copied.
struct FeedbackForm {
    QString kind = QStringLiteral("Feedback");
    QString message;
    QString contact;
    bool includeInfo = true;
    QString appVersion;     // "Versiunea …"
    QString systemVersion;  // "Linux 6.1.0"
};

// Trimming as the form needs it: white space of every kind (tabs too) and line breaks, or white space
// only (line breaks stay).
QString trimmedWhitespaceAndNewlines(const QString& text);
QString trimmedWhitespace(const QString& text);

// "Linux " and the running kernel's release as three numbers ("Linux 6.1.0").
QString systemVersionText();
// The same for a release text as uname gives it ("6.1.0-13-amd64" → "Linux 6.1.0").
QString systemVersionText(const QString& release);

// The trimmed message, and under an em-dash line the contact (as typed) and the versions when asked.
QString composeFeedbackText(const FeedbackForm& form);
// UTF-8, every byte percent-encoded except letters, digits and - . _ ~ ! $ ' ( ) * , ; : / ? @.
QString queryEncode(const QString& text);
// "mailto:<address>?subject=…&body=…".
QString feedbackMailLink(const QString& supportMail, const FeedbackForm& form);
// The address, the subject line, an empty line, then the composed text.
QString feedbackClipboardText(const QString& supportMail, const FeedbackForm& form);
// The compact JSON object of the five members.
std::string feedbackRequestBody(const FeedbackForm& form);
// The base address and "v1/feedback", one slash between them.
QString feedbackEndpoint(const QString& baseUrl);

}  // namespace orvane::guide
