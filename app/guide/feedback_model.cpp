#include "app/guide/feedback_model.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>

#include "app/model/app_version.h"
#include "core/update/update_download.h"

namespace orvane::guide {

FeedbackServices FeedbackServices::standard() {
    FeedbackServices s;
    s.post = [](const std::string& url, const std::string& body) {
        return UpdateDownload::shared().post(url, body, "application/json", FeedbackModel::requestTimeout);
    };
    s.background = [](std::function<void()> work) { QThreadPool::globalInstance()->start(std::move(work)); };
    s.openUrl = [](const QString& text) {
        const QUrl url(text, QUrl::StrictMode);
        return url.isValid() && QDesktopServices::openUrl(url);
    };
    s.copy = [](const QString& text) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    };
    s.appVersion = model::appVersionText();
    s.systemVersion = systemVersionText();
    return s;
}

FeedbackModel::FeedbackModel(FeedbackConfig config, FeedbackServices services, std::shared_ptr<MainExecutor> main,
                             std::function<void()> dismiss, QObject* parent)
    : QObject(parent),
      config_(std::move(config)),
      services_(std::move(services)),
      main_(std::move(main)),
      dismiss_(std::move(dismiss)) {}

void FeedbackModel::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    emit changed();
}

void FeedbackModel::setContact(const QString& contact) {
    if (contact == contact_) return;
    contact_ = contact;
    emit changed();
}

void FeedbackModel::setIncludeInfo(bool include) {
    if (include == includeInfo_) return;
    includeInfo_ = include;
    emit changed();
}

FeedbackForm FeedbackModel::form() const {
    FeedbackForm f;
    f.message = message_;
    f.contact = contact_;
    f.includeInfo = includeInfo_;
    f.appVersion = services_.appVersion;
    f.systemVersion = services_.systemVersion;
    return f;
}

bool FeedbackModel::canSend() const {
    return state_ != SendState::sending && state_ != SendState::sent &&
           !trimmedWhitespaceAndNewlines(message_).isEmpty();
}

QString FeedbackModel::sendTitle() const {
    return state_ == SendState::sent ? QString::fromUtf8("Trimis ✓") : QString::fromUtf8("Trimite");
}

QString FeedbackModel::statusText() const {
    switch (state_) {
        case SendState::failed:
            return QString::fromUtf8(
                "Nu s-a putut trimite acum (verifică internetul). Îl poți trimite prin e-mail sau îl poți copia.");
        case SendState::sent: return QString::fromUtf8("Mulțumim! Mesajul a ajuns la dezvoltator.");
        case SendState::idle:
        case SendState::sending: break;
    }
    return QString::fromUtf8("Mesajul se trimite direct, fără cont sau aplicație de e-mail.");
}

namespace {
struct Outcome {
    long status = 0;
    bool transportFailed = false;
};
}  // namespace

void FeedbackModel::send() {
    if (!canSend()) return;
    state_ = SendState::sending;
    const std::uint64_t generation = ++generation_;
    emit changed();
    const std::string url = feedbackEndpoint(config_.baseUrl).toStdString();
    const std::string body = feedbackRequestBody(form());
    auto post = services_.post;
    model::deliverLater<Outcome>(
        services_.background, this,
        std::function<Outcome()>([post, url, body] {
            try {
                return Outcome{post(url, body), false};
            } catch (...) {
                // Any failure to get an answer (no network, a refused address, a time-out).
                return Outcome{0, true};
            }
        }),
        std::function<void(Outcome)>(
            [this, generation](Outcome o) { finish(o.status, o.transportFailed, generation); }),
        [generation](FeedbackModel* self) { return self->generation_ == generation; });
}

void FeedbackModel::finish(long status, bool transportFailed, std::uint64_t generation) {
    if (generation != generation_ || state_ != SendState::sending) return;
    state_ = !transportFailed && status == 200 ? SendState::sent : SendState::failed;
    emit changed();
    if (state_ != SendState::sent) return;
    QPointer<FeedbackModel> self(this);
    main_->postAfter(closeAfterSent, [self] {
        if (self && self->dismiss_) self->dismiss_();
    });
}

void FeedbackModel::openMail() {
    if (services_.openUrl) services_.openUrl(feedbackMailLink(config_.supportMail, form()));
}

void FeedbackModel::copyMessage() {
    if (services_.copy) services_.copy(feedbackClipboardText(config_.supportMail, form()));
    if (!copied_) {
        copied_ = true;
        emit changed();
    }
}

}  // namespace orvane::guide
