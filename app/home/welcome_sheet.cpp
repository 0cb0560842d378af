#include "app/home/welcome_sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/badges.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/palette.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

namespace orvane::home {

namespace {

// The step's position on a soft accent circle, 30 across.
class NumberBadge final : public QWidget {
public:
    explicit NumberBadge(int number) : number_(number) { setFixedSize(30, 30); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor accent = kit::accentColor().resolve(kit::Appearance::instance().isDark());
        p.setPen(Qt::NoPen);
        p.setBrush(kit::withAlpha(accent, 0.14));
        p.drawEllipse(rect());
        p.setPen(accent);
        p.setFont(kit::uiFont(14, QFont::Bold));
        p.drawText(rect(), Qt::AlignCenter, QString::number(number_));
    }

private:
    int number_;
};

QWidget* stepRow(int number, const WelcomeStep& step) {
    auto* row = new QWidget;
    row->setObjectName("welcomeStep");
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(12);
    line->addWidget(new NumberBadge(number), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new kit::KitLabel(step.title, kit::uiFont(15, QFont::DemiBold));
    title->setLocalized(true);
    title->setObjectName("stepTitle");
    texts->addWidget(title);
    auto* text = new kit::KitLabel(step.text, kit::uiFont(kit::TextStyle::callout));
    text->setLocalized(true);
    text->setObjectName("stepText");
    text->setColor(kit::mutedColor);
    text->setMaxLines(0);
    texts->addWidget(text);
    line->addLayout(texts, 1);
    auto* symbol = new kit::SymbolView(step.symbol, 18, 26);
    symbol->setObjectName("stepSymbol");
    symbol->setInk(kit::accentColor());
    line->addWidget(symbol, 0, Qt::AlignTop);
    return row;
}

}  // namespace

WelcomeSheet::WelcomeSheet(const std::vector<WelcomeStep>& steps, std::function<void()> dismiss, QWidget* parent)
    : kit::GlassSheet(false, parent), dismiss_(std::move(dismiss)) {
    setProperty("sheetTitle", QString::fromUtf8("Bine ai venit"));
    setFixedWidth(sheetWidth);
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* greeting = new QVBoxLayout;
    greeting->setSpacing(6);
    greeting->addWidget(new kit::AppIconView(84), 0, Qt::AlignHCenter);
    auto* title = new kit::KitLabel(QString::fromUtf8("Bine ai venit"), kit::trackedFont(26, QFont::Bold, -0.5));
    title->setLocalized(true);
    title->setObjectName("sheetTitle");
    greeting->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = new kit::KitLabel(QString::fromUtf8("Trei pași și fotografiile tale sunt gata."), kit::uiFont(15));
    subtitle->setLocalized(true);
    subtitle->setColor(kit::mutedColor);
    subtitle->setObjectName("subtitle");
    greeting->addWidget(subtitle, 0, Qt::AlignHCenter);
    column->addLayout(greeting);

    auto* card = new kit::GlassFrame(kit::GlassTreatment::airy, kit::KitShape::rounded(20));
    card->setObjectName("stepsCard");
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(16, 16, 16, 16);
    rows->setSpacing(12);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        QWidget* row = stepRow(int(i) + 1, steps[i]);
        rows_ << row;
        rows->addWidget(row);
    }
    column->addWidget(card);

    close_ = new kit::KitButton(QString::fromUtf8("Am înțeles"), kit::ButtonLook::accent);
    close_->setObjectName("understood");
    column->addWidget(close_, 0, Qt::AlignHCenter);
    connect(close_, &QAbstractButton::clicked, this, [this] {
        if (dismiss_) dismiss_();
    });
    setFocus();
}

void WelcomeSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (dismiss_) dismiss_();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::home
