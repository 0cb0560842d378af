#include "app/kit/form.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/help_dot.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

namespace orvane::kit {

double toolGroupFillOpacity(bool open, bool hovering) {
    if (open) return 0.10;
    return hovering ? 0.08 : 0.05;
}

// ---- ToolGroup ----

namespace {
// The header: symbol, title (cut at its end), a flexible space and the turning chevron, on a capsule.
class GroupHeader : public QAbstractButton {
public:
    GroupHeader(const QString& title, std::optional<QString> symbol, const ToolGroup* group)
        : group_(group) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(14, 9, 14 + 11 + 8, 9);  // room on the right for the chevron
        row->setSpacing(8);
        if (symbol) {
            auto* view = new SymbolView(*symbol, 14, 20);
            view->setInk(accentColor());
            row->addWidget(view, 0, Qt::AlignVCenter);
            symbol_ = view;
        }
        title_ = new KitLabel(title, uiFont(14, QFont::DemiBold));
        title_->setLocalized(true);
        title_->setElideMode(Qt::ElideRight);
        row->addWidget(title_, 1, Qt::AlignVCenter);
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
        connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
            if (key == QLatin1String("accentIndex") && symbol_) symbol_->setInk(accentColor());
            update();
        });
    }
    KitLabel* title() const { return title_; }
    bool hovering() const { return hovering_; }
    void addTrailing(QWidget* view) { static_cast<QHBoxLayout*>(layout())->addWidget(view, 0, Qt::AlignVCenter); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Appearance::instance().isDark();
        const bool open = group_->isOpen();
        p.fillPath(KitShape::capsule().path(QRectF(rect())),
                   primaryLabelColor.opacity(toolGroupFillOpacity(open, hovering_)).resolve(dark));
        // The chevron turns a quarter (pointing down) while open.
        const double turn = group_->chevronTurn();
        const double g = 11;
        const QPointF centre(width() - 14 - g / 2, height() / 2.0);
        p.save();
        p.translate(centre);
        p.rotate(90 * turn);
        icons::paint(p, QStringLiteral("chevron.right"), QRectF(-g / 2, -g / 2, g, g),
                     (open ? accentColor() : mutedColor).resolve(dark));
        p.restore();
    }
    void enterEvent(QEnterEvent* e) override {
        hovering_ = true;
        update();
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        hovering_ = false;
        update();
        QAbstractButton::leaveEvent(e);
    }
    QSize minimumSizeHint() const override { return {14 + 11 + 14 + 30, sizeHint().height()}; }

private:
    const ToolGroup* group_;
    KitLabel* title_;
    SymbolView* symbol_ = nullptr;
    bool hovering_ = false;
};
}  // namespace

ToolGroup::ToolGroup(const QString& title, std::optional<QString> symbol, bool open, QWidget* parent)
    : QWidget(parent), open_(open), turn_([this] { header_->update(); }) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    header_ = new GroupHeader(title, symbol, this);
    column->addWidget(header_);
    body_ = new QWidget;
    tools_ = new QVBoxLayout(body_);
    tools_->setContentsMargins(2, 16, 2, 0);
    tools_->setSpacing(20);
    column->addWidget(body_);
    body_->setVisible(open);
    turn_.setTarget(open ? 1.0 : 0.0, false);
    connect(header_, &QAbstractButton::clicked, this, [this] { setOpen(!open_); });
}

KitLabel* ToolGroup::titleLabel() const { return static_cast<GroupHeader*>(header_)->title(); }

void ToolGroup::addTool(QWidget* tool) { tools_->addWidget(tool); }

void ToolGroup::setTrailing(QWidget* view) { static_cast<GroupHeader*>(header_)->addTrailing(view); }

void ToolGroup::setOpen(bool open) {
    if (open == open_) return;
    open_ = open;
    body_->setVisible(open);
    turn_.setTarget(open ? 1.0 : 0.0);
    header_->update();
    emit toggled(open);
}

// ---- FormSection ----

FormSection::FormSection(const QString& title, QWidget* trailing, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* heading = new QHBoxLayout;
    heading->setContentsMargins(6, 0, 6, 0);
    title_ = new KitLabel(title, trackedFont(12, QFont::DemiBold, 0.8));
    title_->setLocalized(true);
    title_->setUpperCase(true);
    title_->setColor(mutedColor);
    heading->addWidget(title_, 0, Qt::AlignVCenter);
    heading->addStretch(1);
    if (trailing) heading->addWidget(trailing, 0, Qt::AlignVCenter);
    column->addLayout(heading);
    panel_ = new GlassFrame(GlassTreatment::airy, KitShape::rounded(16));
    rows_ = new QVBoxLayout(panel_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);
    column->addWidget(panel_);
}

void FormSection::addRow(QWidget* row) { rows_->addWidget(row); }

// ---- FormRow ----

FormRow::FormRow(const QString& label, std::optional<QString> detail, std::optional<QString> help, bool divider,
                 QWidget* control, QWidget* parent)
    : QWidget(parent), control_(control), divider_(divider) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);
    auto* block = new QWidget;
    auto* texts = new QVBoxLayout(block);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    label_ = new KitLabel(label, uiFont(14, QFont::Medium));
    label_->setLocalized(true);
    line->addWidget(label_, 0, Qt::AlignVCenter);
    if (help) {
        help_ = new HelpDot(*help, 13);
        line->addWidget(help_, 0, Qt::AlignVCenter);
    }
    line->addStretch(1);
    texts->addLayout(line);
    if (detail) {
        detail_ = new KitLabel(*detail, uiFont(12));
        detail_->setColor(mutedColor);
        detail_->setMaxLines(4);
        texts->addWidget(detail_);
    }
    // The row's spacing of 12 before the control is the flexible space's least width.
    row->addWidget(block, 1, Qt::AlignVCenter);
    if (control) row->addWidget(control, 0, Qt::AlignVCenter | Qt::AlignRight);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QRectF FormRow::dividerRect() const {
    if (!divider_) return {};
    return QRectF(16, height() - 1, width() - 16, 1);
}

void FormRow::paintEvent(QPaintEvent*) {
    if (!divider_) return;
    QPainter p(this);
    p.fillRect(dividerRect(), primaryLabelColor.opacity(0.10).resolve(Appearance::instance().isDark()));
}

}  // namespace orvane::kit
