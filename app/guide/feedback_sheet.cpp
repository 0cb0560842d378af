#include "app/guide/feedback_sheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"

namespace orvane::guide {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

// The support address as a link: callout, medium, in the accent colour.
class AddressLink final : public QAbstractButton {
public:
    explicit AddressLink(const QString& address) {
        setObjectName("supportAddress");
        setText(address);
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(kit::uiFont(kit::TextStyle::callout, QFont::Medium));
        return {int(std::ceil(fm.horizontalAdvance(text()))) + 2, int(std::ceil(fm.height()))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setFont(kit::uiFont(kit::TextStyle::callout, QFont::Medium));
        p.setPen(kit::accentColor().resolve(kit::Appearance::instance().isDark()));
        p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
};

}  // namespace

FeedbackSheet::FeedbackSheet(FeedbackConfig config, FeedbackServices services, std::shared_ptr<MainExecutor> main,
                             std::function<void()> dismiss, QWidget* parent)
    : kit::GlassSheet(false, parent),
      model_(std::move(config), std::move(services), std::move(main), [this] { this->dismiss(); }),
      dismiss_(std::move(dismiss)) {
    setProperty("sheetTitle", u("Spune-ne ce să îmbunătățim"));
    setFixedWidth(sheetWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 36, 0);
    header->setSpacing(12);
    header->addWidget(new kit::IconTile(QStringLiteral("text.bubble"), 44, true));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    auto* title = new kit::KitLabel(u("Spune-ne ce să îmbunătățim"), kit::trackedFont(22, QFont::Bold, -0.4));
    title->setLocalized(true);
    title->setObjectName("sheetTitle");
    titles->addWidget(title);
    auto* subtitle = new kit::KitLabel(u("Fiecare mesaj ajunge direct la dezvoltator."), kit::uiFont(kit::TextStyle::body));
    subtitle->setLocalized(true);
    subtitle->setColor(kit::mutedColor);
    titles->addWidget(subtitle);
    header->addLayout(titles, 1);
    column->addLayout(header);

    auto* editorFrame = kit::GlassFrame::group(14);
    auto* editorLayout = new QVBoxLayout(editorFrame);
    editorLayout->setContentsMargins(10, 10, 10, 10);
    message_ = new QPlainTextEdit;
    message_->setObjectName("message");
    message_->setFont(kit::uiFont(14));
    message_->setFrameShape(QFrame::NoFrame);
    message_->viewport()->setAutoFillBackground(false);
    message_->setAutoFillBackground(false);
    message_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    message_->setPlaceholderText(u("Scrie aici ce ți-ar fi util, ce te încurcă sau ce lipsește…"));
    message_->setTabChangesFocus(true);
    editorLayout->addWidget(message_);
    editorFrame->setMinimumHeight(150);
    column->addWidget(editorFrame);

    contact_ = new QLineEdit;
    contact_->setObjectName("contact");
    contact_->setFont(kit::uiFont(13));
    contact_->setPlaceholderText(u("Cum te contactăm (opțional): e-mail sau telefon"));
    column->addWidget(contact_);

    includeInfo_ = new QCheckBox(u("Include versiunea aplicației și a sistemului"));
    includeInfo_->setObjectName("includeInfo");
    includeInfo_->setFont(kit::uiFont(kit::TextStyle::callout));
    includeInfo_->setChecked(model_.includeInfo());
    column->addWidget(includeInfo_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    mail_ = new kit::KitButton(u("Prin e-mail"), kit::ButtonLook::outline);
    mail_->setObjectName("mail");
    copy_ = new kit::KitButton(u("Copiază mesajul"), kit::ButtonLook::outline);
    copy_->setObjectName("copy");
    buttons->addWidget(mail_);
    buttons->addWidget(copy_);
    buttons->addStretch(1);
    cancel_ = new kit::KitButton(u("Anulează"), kit::ButtonLook::outline);
    cancel_->setObjectName("cancel");
    buttons->addWidget(cancel_);
    send_ = new kit::KitButton(u("Trimite"), kit::ButtonLook::accent);
    send_->setObjectName("send");
    buttons->addWidget(send_);
    column->addLayout(buttons);

    auto* mailRow = new QHBoxLayout;
    mailRow->setSpacing(6);
    auto* envelope = new kit::SymbolView(QStringLiteral("envelope"), 12);
    envelope->setInk(kit::mutedColor);
    mailRow->addWidget(envelope);
    auto* direct = new kit::KitLabel(u("Sau scrie-ne direct:"), kit::uiFont(kit::TextStyle::callout));
    direct->setLocalized(true);
    direct->setColor(kit::mutedColor);
    mailRow->addWidget(direct);
    address_ = new AddressLink(model_.config().supportMail);
    kit::quickTip(address_, u("Deschide e-mailul"));
    mailRow->addWidget(address_);
    mailRow->addStretch(1);
    column->addLayout(mailRow);

    status_ = new kit::KitLabel({}, kit::uiFont(kit::TextStyle::caption));
    status_->setObjectName("status");
    status_->setMaxLines(0);
    status_->setLocalized(true);
    column->addWidget(status_);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, this, &FeedbackSheet::dismiss);
    connect(cancel_, &QAbstractButton::clicked, this, &FeedbackSheet::dismiss);
    connect(send_, &QAbstractButton::clicked, &model_, &FeedbackModel::send);
    connect(mail_, &QAbstractButton::clicked, &model_, &FeedbackModel::openMail);
    connect(address_, &QAbstractButton::clicked, &model_, &FeedbackModel::openMail);
    connect(copy_, &QAbstractButton::clicked, &model_, &FeedbackModel::copyMessage);
    connect(message_, &QPlainTextEdit::textChanged, this, [this] { model_.setMessage(message_->toPlainText()); });
    connect(contact_, &QLineEdit::textChanged, &model_, &FeedbackModel::setContact);
    connect(includeInfo_, &QCheckBox::toggled, &model_, &FeedbackModel::setIncludeInfo);
    connect(&model_, &FeedbackModel::changed, this, &FeedbackSheet::refresh);
    refresh();
    message_->setFocus();
}

void FeedbackSheet::refresh() {
    const bool fallbacks = model_.showsFallbacks();
    mail_->setVisible(fallbacks);
    copy_->setVisible(fallbacks);
    copy_->setText(model_.copied() ? u("Copiat") : u("Copiază mesajul"));
    send_->setText(model_.sendTitle());
    send_->setEnabled(model_.canSend());
    status_->setText(model_.statusText());
    switch (model_.sendState()) {
        case SendState::failed: status_->setColor(kit::warnColor); break;
        case SendState::sent: status_->setColor(kit::accentColor()); break;
        case SendState::idle:
        case SendState::sending: status_->setColor(kit::mutedColor); break;
    }
}

void FeedbackSheet::dismiss() {
    if (dismiss_) dismiss_();
}

void FeedbackSheet::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        model_.send();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::guide
