#include "app/options/extra_options_panel.h"

#include <QDoubleValidator>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/guide/guide_sheet.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/sheet_host.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/help_dot.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/motion.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

namespace orvane::options {

namespace {

bool dark() { return kit::Appearance::instance().isDark(); }

// The panels' capsule: the primary colour at a low opacity, stronger while its option is on.
void paintCapsule(QWidget* w, double opacity) {
    QPainter p(w);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(kit::KitShape::capsule().path(QRectF(w->rect())), kit::primaryLabelColor.opacity(opacity).resolve(dark()));
}

kit::KitLabel* kitText(const QString& t, const QFont& font, bool localized = true) {
    auto* l = new kit::KitLabel(t, font);
    l->setLocalized(localized);
    return l;
}

// "BETA" on a faint capsule.
class BetaBadge final : public QWidget {
public:
    BetaBadge() {
        setFont(kit::uiFont(9.5, QFont::Bold));
        const QFontMetricsF fm(font());
        setFixedSize(int(std::ceil(fm.horizontalAdvance(QStringLiteral("BETA")) + 10)), int(std::ceil(fm.height() + 3)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(kit::KitShape::capsule().path(QRectF(rect())), kit::primaryLabelColor.opacity(0.08).resolve(dark()));
        p.setPen(kit::mutedColor.resolve(dark()));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("BETA"));
    }
};

// A line on the faint capsule (the beta gate's row).
class CapsuleRow final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { paintCapsule(this, 0.05); }
};

// A plain text button in the accent colour (the group button).
class AccentTextButton final : public QPushButton {
public:
    explicit AccentTextButton(double points) {
        setFlat(true);
        setFont(kit::uiFont(points, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(kit::accentColor().resolve(dark()));
        p.drawText(rect(), Qt::AlignCenter, text());
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {fm.horizontalAdvance(text()) + 8, fm.height() + 4};
    }
};

// A ratio chip: the label on a capsule, white on the accent colour while chosen.
class RatioChip final : public QAbstractButton {
public:
    explicit RatioChip(const QString& label) {
        setText(label);
        setCheckable(true);
        setFont(kit::uiFont(12, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
        setMinimumWidth(58);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {std::max(58, fm.horizontalAdvance(text()) + 16), fm.height() + 10};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor fill = isChecked() ? kit::accentColor().resolve(dark())
                                        : kit::primaryLabelColor.opacity(0.08).resolve(dark());
        p.fillPath(kit::KitShape::capsule().path(QRectF(rect())), fill);
        p.setPen(isChecked() ? QColor(Qt::white) : kit::primaryLabelColor.resolve(dark()));
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The crop mode button: the mode's title and an up-down chevron on an edged capsule.
class ModeButton final : public QAbstractButton {
public:
    ModeButton() {
        setFont(kit::uiFont(12.5, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {12 + fm.horizontalAdvance(text()) + 6 + 9 + 12, fm.height() + 12};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(rect());
        const auto shape = kit::KitShape::capsule();
        p.fillPath(shape.path(r), kit::primaryLabelColor.opacity(0.06).resolve(dark()));
        p.setPen(QPen(kit::primaryLabelColor.opacity(0.1).resolve(dark()), 0.5));
        p.drawPath(shape.path(r.adjusted(0.25, 0.25, -0.25, -0.25)));
        p.setPen(kit::primaryLabelColor.resolve(dark()));
        p.drawText(r.adjusted(12, 0, -12 - 9 - 6, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
        kit::icons::paint(p, QStringLiteral("chevron.up.chevron.down"), QRectF(r.right() - 12 - 9, r.center().y() - 4.5, 9, 9),
                          kit::mutedColor.resolve(dark()));
    }
};

}  // namespace

// --- GroupStatusView ---

GroupStatusView::GroupStatusView(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    text_ = kitText(QString(), kit::uiFont(12), false);
    text_->setColor(kit::mutedColor);
    row->addWidget(text_, 0, Qt::AlignVCenter);
    auto* button = new AccentTextButton(13);
    button->setObjectName("groupButton");
    button_ = button;
    row->addWidget(button_, 0, Qt::AlignVCenter);
}

void GroupStatusView::setStatus(const GroupStatus& status) {
    text_->setText(status.text());
    button_->setText(kit::localized(status.buttonTitle()));
    button_->updateGeometry();
}

QString GroupStatusView::text() const { return text_->shownText(); }

// --- OptionRowView ---

OptionRowView::OptionRowView(const OptionRow& option, QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QString::fromLatin1(option.key));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(14, 9, 14, 9);
    line->setSpacing(8);
    auto* symbol = new kit::SymbolView(QString::fromLatin1(option.symbol), 14, 20);
    symbol->setInk(kit::accentColor());
    line->addWidget(symbol);
    auto* title = kitText(QString::fromUtf8(option.title), kit::uiFont(14, QFont::DemiBold));
    title->setElideMode(Qt::ElideRight);
    line->addWidget(title, 0);
    if (option.beta) line->addWidget(new BetaBadge, 0, Qt::AlignVCenter);
    help_ = new kit::HelpDot(QString::fromUtf8(option.help), 13);
    line->addWidget(help_);
    line->addStretch(1);
    onMark_ = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 17);
    onMark_->setInk(kit::accentColor());
    offMark_ = new kit::SymbolView(QStringLiteral("circle"), 17);
    offMark_->setInk(kit::mutedColor.opacity(0.7));
    line->addWidget(onMark_);
    line->addWidget(offMark_);
    for (QWidget* w : {static_cast<QWidget*>(symbol), static_cast<QWidget*>(title), static_cast<QWidget*>(onMark_), static_cast<QWidget*>(offMark_)})
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this, symbol](const QString& key) {
        if (key != QLatin1String("accentIndex")) return;
        symbol->setInk(kit::accentColor());
        onMark_->setInk(kit::accentColor());
    });
    setOn(false);
}

void OptionRowView::setOn(bool on) {
    on_ = on;
    onMark_->setVisible(on);
    offMark_->setVisible(!on);
    update();
}

void OptionRowView::paintEvent(QPaintEvent*) { paintCapsule(this, on_ ? 0.1 : 0.05); }

// --- OptionSwitch ---

OptionSwitch::OptionSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void OptionSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.fillPath(kit::KitShape::capsule().path(track), isChecked() ? kit::accentColor().resolve(dark())
                                                                  : kit::primaryLabelColor.opacity(0.15).resolve(dark()));
    const double d = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(Qt::white));
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}

// --- CropSectionView ---

CropSectionView::CropSectionView(ExtraOptionsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 9, 14, 9);
    column->setSpacing(6);
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    auto* symbol = new kit::SymbolView(QStringLiteral("crop"), 14, 20);
    symbol->setInk(kit::accentColor());
    line->addWidget(symbol);
    line->addWidget(kitText(QStringLiteral("Decupare"), kit::uiFont(14, QFont::DemiBold)));
    help_ = new kit::HelpDot(QString::fromUtf8(model_.cropEntry().help), 13);
    line->addWidget(help_);
    line->addStretch(1);
    modeButton_ = new ModeButton;
    modeButton_->setObjectName("cropMode");
    connect(modeButton_, &QAbstractButton::clicked, this, [this] {
        auto menu = makeModeMenu();
        menu->exec(modeButton_->mapToGlobal(QPoint(0, modeButton_->height())));
    });
    line->addWidget(modeButton_);
    column->addLayout(line);

    chipArea_ = new QWidget;
    auto* grid = new QGridLayout(chipArea_);
    grid->setContentsMargins(44, 0, 0, 0);
    grid->setSpacing(6);
    const auto& presets = CropSettings::presets();
    for (std::size_t i = 0; i < presets.size(); ++i) {
        const std::string label = presets[i].label;
        auto* chip = new RatioChip(QString::fromStdString(label));
        connect(chip, &QAbstractButton::clicked, this, [this, label] {
            model_.setCropRatio(label);
            refresh();  // a press on the chosen chip writes nothing new, yet must stay chosen
        });
        grid->addWidget(chip, int(i) / 5, int(i) % 5);
        chips_.push_back(chip);
    }
    column->addWidget(chipArea_);

    customArea_ = new QWidget;
    auto* fields = new QHBoxLayout(customArea_);
    fields->setContentsMargins(44, 0, 0, 0);
    fields->setSpacing(8);
    auto* caption = kitText(QStringLiteral("Lățime : înălțime"), kit::uiFont(12));
    caption->setColor(kit::mutedColor);
    fields->addWidget(caption);
    fields->addStretch(1);
    auto field = [&](bool width) {
        auto* f = new QLineEdit;
        f->setObjectName(width ? "cropWidth" : "cropHeight");
        f->setFixedWidth(54);
        f->setPlaceholderText(width ? QStringLiteral("3") : QStringLiteral("2"));
        connect(f, &QLineEdit::editingFinished, this, [this, width] { commitSide(width); });
        return f;
    };
    widthField_ = field(true);
    heightField_ = field(false);
    fields->addWidget(widthField_);
    fields->addWidget(kitText(QStringLiteral(":"), kit::uiFont(12), false));
    fields->addWidget(heightField_);
    column->addWidget(customArea_);
    refresh();
}

std::unique_ptr<QMenu> CropSectionView::makeModeMenu() {
    auto menu = std::make_unique<QMenu>();
    const auto current = model_.cropMode();
    for (const auto& entry : cropModeTitles()) {
        QAction* a = menu->addAction(kit::localized(entry.title));
        a->setCheckable(true);
        a->setChecked(entry.mode == current);
        const auto mode = entry.mode;
        connect(a, &QAction::triggered, this, [this, mode] { model_.setCropMode(mode); });
    }
    return menu;
}

void CropSectionView::commitSide(bool width) {
    QLineEdit* f = sideField(width);
    // Text that is no usable number is refused: the field shows the stored value again.
    model_.commitCustomSide(width, f->text(), QLocale());
    f->setText(model_.customSideText(width, QLocale()));
}

void CropSectionView::refresh() {
    const auto mode = model_.cropMode();
    modeButton_->setText(kit::localized(model_.cropEntry().title));
    modeButton_->updateGeometry();
    const QString help = QString::fromUtf8(model_.cropEntry().help);
    if (help_->text() != help) {
        // A help dot keeps its text: the mode's own replaces it.
        auto* fresh = new kit::HelpDot(help, 13);
        layout()->itemAt(0)->layout()->replaceWidget(help_, fresh);
        help_->deleteLater();
        help_ = fresh;
    }
    chipArea_->setVisible(mode == CropSettings::Mode::ratio);
    const std::string ratio = model_.cropRatio();
    for (auto* chip : chips_) chip->setChecked(chip->text().toStdString() == ratio);
    customArea_->setVisible(mode == CropSettings::Mode::custom);
    for (bool width : {true, false}) {
        QLineEdit* f = sideField(width);
        if (!f->hasFocus()) f->setText(model_.customSideText(width, QLocale()));
    }
    update();
}

void CropSectionView::paintEvent(QPaintEvent*) {
    // A capsule on one line; with its chips or fields below, the same ends on a taller card.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(kit::KitShape::rounded(22).path(QRectF(rect())),
               kit::primaryLabelColor.opacity(model_.cropHighlighted() ? 0.1 : 0.05).resolve(dark()));
}

// --- ExtraOptionsPanel ---

ExtraOptionsPanel::ExtraOptionsPanel(OptionsBinding& binding, bool disabled, bool mergeFirstGroup, bool framed,
                                     QWidget* parent)
    : QWidget(parent), model_(binding, disabled, mergeFirstGroup, framed, this) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);

    // Header.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 4, 2);
    header->setSpacing(8);
    auto* title = kitText(QStringLiteral("Opțiuni suplimentare"), kit::trackedFont(18, QFont::Bold, -0.3));
    header->addWidget(title);
    header->addStretch(1);
    auto* guideButton = new kit::KitButton(QStringLiteral("Cum se combină?"), kit::ButtonLook::outline);
    guideButton->setObjectName("guideButton");
    guideButton->setSymbol(QStringLiteral("questionmark.circle"));
    guideButton->setProperty("controlSize", "small");
    guideButton_ = guideButton;
    connect(guideButton_, &QAbstractButton::clicked, this, [this] { model_.setShowGuide(true); });
    header->addWidget(guideButton_);
    firstStatus_ = new GroupStatusView;
    connect(firstStatus_->button(), &QAbstractButton::clicked, this,
            [this] { model_.pressGroupButton(model_.firstGroup()); });
    stack->addLayout(header);
    if (mergeFirstGroup) {
        header->addWidget(firstStatus_);
        auto* note = kitText(QStringLiteral("Sunt bifate funcțiile folosite la prima editare; nu trebuie să le bifezi din "
                                         "nou. Debifează-le doar pe cele pe care vrei să le scoți, sau schimbă-le "
                                         "intensitatea."),
                          kit::uiFont(12));
        note->setMaxLines(0);
        note->setColor(kit::mutedColor);
        note->setContentsMargins(4, 0, 4, 0);
        note_ = note;
        stack->addWidget(note_);
    }

    // The option list.
    auto* list = new QWidget;
    auto* column = new QVBoxLayout(list);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    // The first group: its header (unless it stands in the panel's), its rows and the crop.
    auto* editing = new kit::FormSection(QStringLiteral("Editare"), mergeFirstGroup ? nullptr : firstStatus_);
    if (mergeFirstGroup) editing->titleLabel()->hide();
    editingHeader_ = mergeFirstGroup ? nullptr : editing->titleLabel();
    auto* editingRows = new QWidget;
    auto* rowsColumn = new QVBoxLayout(editingRows);
    rowsColumn->setContentsMargins(8, 8, 8, 8);
    rowsColumn->setSpacing(4);
    for (const auto& row : ExtraOptionsModel::firstGroupRows()) rowsColumn->addWidget(optionBlock(row));
    crop_ = new CropSectionView(model_);
    rowsColumn->addWidget(crop_);
    editing->addRow(editingRows);
    column->addWidget(editing);

    // Smart retouch: closed as the panel is made, opened each time it comes on screen.
    retouch_ = new kit::ToolGroup(QStringLiteral("Retușare inteligentă · AI"), QStringLiteral("sparkles"), false);
    retouchStatus_ = new GroupStatusView;
    connect(retouchStatus_->button(), &QAbstractButton::clicked, this,
            [this] { model_.pressGroupButton(model_.retouchGroup()); });
    retouch_->setTrailing(retouchStatus_);
    connect(retouch_, &kit::ToolGroup::toggled, this, [this](bool open) {
        if (open != model_.retouchOpen()) model_.toggleRetouch();
    });
    auto* retouchRows = new QWidget;
    auto* retouchColumn = new QVBoxLayout(retouchRows);
    retouchColumn->setContentsMargins(0, 0, 0, 0);
    retouchColumn->setSpacing(4);
    // Every row is made once; the beta ones show while "showBeta" is on, after the gate.
    for (const auto& r : ExtraOptionsModel::allRetouchRows())
        if (!r.beta) retouchColumn->addWidget(optionBlock(r));
    // The beta gate: not an option of any group.
    auto* gate = new CapsuleRow;
    gate->setObjectName("betaGate");
    {
        const OptionRow& g = ExtraOptionsModel::betaSwitchRow();
        auto* line = new QHBoxLayout(gate);
        line->setContentsMargins(14, 9, 14, 9);
        line->setSpacing(8);
        auto* symbol = new kit::SymbolView(QString::fromLatin1(g.symbol), 14, 22);
        symbol->setInk(kit::accentColor());
        line->addWidget(symbol);
        line->addWidget(kitText(QString::fromUtf8(g.title), kit::uiFont(14, QFont::Medium)));
        line->addWidget(new kit::HelpDot(QString::fromUtf8(g.help), 15));
        line->addStretch(1);
        line->addSpacing(8);
        auto* toggle = new OptionSwitch;
        toggle->setObjectName("showBeta");
        connect(toggle, &QAbstractButton::clicked, this, [this](bool on) { model_.setShowBeta(on); });
        betaSwitch_ = toggle;
        line->addWidget(toggle);
    }
    retouchColumn->addWidget(gate);
    for (const auto& r : ExtraOptionsModel::allRetouchRows())
        if (r.beta) retouchColumn->addWidget(optionBlock(r));
    retouch_->addTool(retouchRows);
    column->addWidget(retouch_);
    column->addStretch(1);

    stack->addWidget(new kit::OptionsFrame(framed, list), 1);

    connect(&model_, &ExtraOptionsModel::changed, this, &ExtraOptionsPanel::refresh);
    setDisabled(disabled);
    refresh();
}

QWidget* ExtraOptionsPanel::optionBlock(const OptionRow& option) {
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* row = new OptionRowView(option);
    const std::string key = option.key;
    connect(row, &QAbstractButton::clicked, this, [this, key] { model_.toggle(key); });
    column->addWidget(row);
    rows_[key] = row;
    blocks_[key] = block;
    const auto specs = ExtraOptionsModel::slidersOf(key);
    if (!specs.empty()) {
        auto* content = new QWidget;
        auto* sliders = new QVBoxLayout(content);
        sliders->setContentsMargins(34, 0, 8, 0);
        sliders->setSpacing(6);
        for (const SliderSpec& spec : specs) {
            auto* slider = new kit::SliderRow(QString::fromUtf8(spec.title), std::nullopt, model_.sliderValue(spec),
                                              spec.min, spec.max, 1, spec.base);
            slider->setObjectName(QString::fromLatin1(spec.key));
            connect(slider, &kit::SliderRow::valueEdited, this, [this, spec](double v) { model_.setSlider(spec, v); });
            sliders->addWidget(slider);
            sliders_[key].push_back(slider);
        }
        column->addWidget(content);
        reveals_[key] = new kit::Reveal(content);  // a row's controls fade and slide in as it turns on
    }
    return block;
}

OptionRowView* ExtraOptionsPanel::row(const std::string& key) const {
    auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second;
}

std::vector<kit::SliderRow*> ExtraOptionsPanel::sliders(const std::string& key) const {
    auto it = sliders_.find(key);
    return it == sliders_.end() ? std::vector<kit::SliderRow*>{} : it->second;
}

void ExtraOptionsPanel::setDisabled(bool disabled) {
    model_.setDisabled(disabled);
    setEnabled(!disabled);
    if (disabled) {
        auto* faint = new QGraphicsOpacityEffect(this);
        faint->setOpacity(0.5);
        setGraphicsEffect(faint);
    } else {
        setGraphicsEffect(nullptr);
    }
}

ExtraOptionsPanel::~ExtraOptionsPanel() {
    // The guide lies over the window, not inside the panel: it goes with the panel.
    delete guideHost_.data();
}

void ExtraOptionsPanel::syncGuide() {
    if (model_.showGuide() && !guide_) {
        // Over the whole window, above whatever sheet holds the panel: the guide is read, not navigated.
        if (!guideHost_) {
            guideHost_ = new kit::SheetHost(window());
            connect(guideHost_, &kit::SheetHost::closeRequested, this, [this] { model_.setShowGuide(false); });
        }
        guideHost_->raise();
        guide_ = new guide::GuideSheet({}, [this] { model_.setShowGuide(false); });
        guideHost_->present(guide_);
    } else if (!model_.showGuide() && guide_) {
        if (guideHost_) guideHost_->dismiss(guide_);
        guide_ = nullptr;
    }
}

void ExtraOptionsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The smart-retouch group opens each time the panel is shown, whatever the user left it as.
    model_.appeared();
    retouch_->setOpen(true);
}

void ExtraOptionsPanel::refresh() {
    syncGuide();
    firstStatus_->setStatus(model_.status(model_.firstGroup()));
    retouchStatus_->setStatus(model_.status(model_.retouchGroup()));
    const bool beta = model_.showBeta();
    betaSwitch_->setChecked(beta);
    for (const auto& [key, row] : rows_) {
        const bool on = model_.isOn(key);
        row->setOn(on);
        bool shown = true;
        for (const auto& r : ExtraOptionsModel::allRetouchRows())
            if (key == r.key && r.beta) shown = beta;
        blocks_[key]->setVisible(shown);
        if (auto c = reveals_.find(key); c != reveals_.end()) c->second->setShown(on);
    }
    for (const auto& [key, list] : sliders_) {
        const auto specs = ExtraOptionsModel::slidersOf(key);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const double value = model_.sliderValue(specs[i]);
            list[i]->setValue(value);
            list[i]->setLabel(ExtraOptionsModel::sliderText(value, specs[i]));
        }
    }
    crop_->refresh();
}

}  // namespace orvane::options
