#pragma once
// The feedback form's state: what the user typed, where sending stands, and the two fallbacks (mail
// and copy). The request runs off the interface thread; its outcome comes back only while this
// object lives and only for the latest request.
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "app/guide/feedback_texts.h"
#include "app/model/deliver_later.h"
#include "core/base/executor.h"

namespace orvane::guide {

enum class SendState { idle, sending, sent, failed };

struct FeedbackServices {
    // One POST of a JSON body; the answer's status, or an exception for a transport failure. Blocking:
    // it runs through `background`.
    std::function<long(const std::string& url, const std::string& body)> post;
    model::BackgroundRunner background;
    // Asks the system to open a link (the mail program for a mailto link); false when nothing opened it.
    std::function<bool(const QString& url)> openUrl;
    // Replaces the clipboard's text.
    std::function<void(const QString& text)> copy;
    QString appVersion;
    QString systemVersion;

    // The update code's HTTPS client with a 20 s limit, the global thread pool, the desktop's link
    // opener and clipboard, this application's and system's versions.
    static FeedbackServices standard();
};

class FeedbackModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds requestTimeout{20000};
    static constexpr std::chrono::milliseconds closeAfterSent{1800};

    // `main` times the close after a sent message; `dismiss` closes the sheet.
    FeedbackModel(FeedbackConfig config, FeedbackServices services, std::shared_ptr<MainExecutor> main,
                  std::function<void()> dismiss, QObject* parent = nullptr);

    const FeedbackConfig& config() const { return config_; }
    const QString& message() const { return message_; }
    void setMessage(const QString& message);
    const QString& contact() const { return contact_; }
    void setContact(const QString& contact);
    bool includeInfo() const { return includeInfo_; }
    void setIncludeInfo(bool include);
    bool copied() const { return copied_; }
    SendState sendState() const { return state_; }

    FeedbackForm form() const;
    // Not for a blank message, nor while sending or once sent.
    bool canSend() const;
    QString sendTitle() const;
    QString statusText() const;
    // The mail and copy buttons show only after a failure.
    bool showsFallbacks() const { return state_ == SendState::failed; }

    void send();
    void openMail();
    void copyMessage();

signals:
    void changed();

private:
    void finish(long status, bool transportFailed, std::uint64_t generation);

    FeedbackConfig config_;
    FeedbackServices services_;
    std::shared_ptr<MainExecutor> main_;
    std::function<void()> dismiss_;
    QString message_;
    QString contact_;
    bool includeInfo_ = true;
    bool copied_ = false;
    SendState state_ = SendState::idle;
    std::uint64_t generation_ = 0;
};

}  // namespace orvane::guide
