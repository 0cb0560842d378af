#include "app/guide/feedback_texts.h"

#include <sys/utsname.h>

#include <QStringList>

#include <nlohmann/json.hpp>

namespace orvane::guide {

#ifndef ORVANE_FEEDBACK_BASE_URL
#define ORVANE_FEEDBACK_BASE_URL ""
#endif
#ifndef ORVANE_SUPPORT_MAIL
#define ORVANE_SUPPORT_MAIL ""
#endif

FeedbackConfig FeedbackConfig::built() {
    return {QString::fromUtf8(ORVANE_FEEDBACK_BASE_URL), QString::fromUtf8(ORVANE_SUPPORT_MAIL)};
}

namespace {

bool isNewline(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }
// Tabs and the space separators (Zs).
bool isBlank(char32_t c) { return c == 0x09 || QChar::category(c) == QChar::Separator_Space; }

template <class Pred>
QString trimmed(const QString& text, Pred drop) {
    const std::u32string s = text.toStdU32String();
    std::size_t begin = 0, end = s.size();
    while (begin < end && drop(s[begin])) ++begin;
    while (end > begin && drop(s[end - 1])) --end;
    return QString::fromStdU32String(s.substr(begin, end - begin));
}

QString subject(const FeedbackForm& form) { return QString::fromUtf8("Vendrel – ") + form.kind; }

}  // namespace

QString trimmedWhitespaceAndNewlines(const QString& text) {
    return trimmed(text, [](char32_t c) { return isBlank(c) || isNewline(c); });
}

QString trimmedWhitespace(const QString& text) { return trimmed(text, isBlank); }

QString systemVersionText(const QString& release) {
    // The leading numbers of the release, always three.
    int parts[3] = {0, 0, 0};
    int index = 0;
    bool inNumber = false;
    for (QChar c : release) {
        if (c.isDigit() && c.unicode() < 128) {
            parts[index] = std::min(parts[index] * 10 + (c.unicode() - '0'), 1000000);
            inNumber = true;
        } else if (c == u'.' && inNumber && index < 2) {
            ++index;
            inNumber = false;
        } else {
            break;
        }
    }
    return QStringLiteral("Linux %1.%2.%3").arg(parts[0]).arg(parts[1]).arg(parts[2]);
}

QString systemVersionText() {
    utsname info{};
    if (::uname(&info) != 0) return systemVersionText(QString());
    return systemVersionText(QString::fromUtf8(info.release));
}

QString composeFeedbackText(const FeedbackForm& form) {
    const QString message = trimmedWhitespaceAndNewlines(form.message);
    QStringList lines;
    if (!trimmedWhitespace(form.contact).isEmpty()) lines << QStringLiteral("Contact: ") + form.contact;
    if (form.includeInfo) {
        lines << QStringLiteral("Versiune: ") + form.appVersion;
        lines << form.systemVersion;
    }
    if (lines.isEmpty()) return message;
    return message + QString::fromUtf8("\n\n—\n") + lines.join(u'\n');
}

QString queryEncode(const QString& text) {
    static const QByteArray kept = QByteArrayLiteral("-._~!$'()*,;:/?@");
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || kept.contains(char(b)))
            out += QChar(b);
        else
            out += QStringLiteral("%%1").arg(b, 2, 16, QChar(u'0')).toUpper();
    }
    return out;
}

QString feedbackMailLink(const QString& supportMail, const FeedbackForm& form) {
    return QStringLiteral("mailto:") + supportMail + QStringLiteral("?subject=") + queryEncode(subject(form)) +
           QStringLiteral("&body=") + queryEncode(composeFeedbackText(form));
}

QString feedbackClipboardText(const QString& supportMail, const FeedbackForm& form) {
    return supportMail + u'\n' + subject(form) + QStringLiteral("\n\n") + composeFeedbackText(form);
}

std::string feedbackRequestBody(const FeedbackForm& form) {
    nlohmann::json body = nlohmann::json::object();
    body["kind"] = form.kind.toStdString();
    body["message"] = trimmedWhitespaceAndNewlines(form.message).toStdString();
    body["contact"] = trimmedWhitespace(form.contact).toStdString();
    body["app_version"] = form.includeInfo ? form.appVersion.toStdString() : std::string();
    body["os"] = form.includeInfo ? form.systemVersion.toStdString() : std::string();
    return body.dump();
}

QString feedbackEndpoint(const QString& baseUrl) {
    QString base = baseUrl;
    while (base.endsWith(u'/')) base.chop(1);
    return base + QStringLiteral("/v1/feedback");
}

}  // namespace orvane::guide
