#include "app/guide/guide_sheet.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/palette.h"
#include "app/kit/pill_picker.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

namespace orvane::guide {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }
bool dark() { return kit::Appearance::instance().isDark(); }

kit::KitLabel* label(const QString& text, const QFont& font, bool muted = false, bool wraps = false) {
    auto* l = new kit::KitLabel(text, font);
    l->setLocalized(true);
    if (muted) l->setColor(kit::mutedColor);
    if (wraps) l->setMaxLines(0);
    return l;
}

// A symbol before a short text, both in one colour.
QWidget* symbolLabel(const QString& symbol, const QString& text, const QFont& font, kit::AdaptiveColor color) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(5);
    auto* icon = new kit::SymbolView(symbol, font.pointSizeF());
    icon->setInk(color);
    line->addWidget(icon);
    auto* l = label(text, font);
    l->setColor(color);
    line->addWidget(l);
    line->addStretch(1);
    return row;
}

// A rounded rectangle filled with a colour behind its children.
class Tinted final : public QWidget {
public:
    Tinted(std::function<QColor()> fill, double radius) : fill_(std::move(fill)), radius_(radius) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(fill_());
        p.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }

private:
    std::function<QColor()> fill_;
    double radius_;
};

// The step's number on a circle: white on the accent when selected, muted on a faint circle otherwise.
class NumberCircle final : public QWidget {
public:
    explicit NumberCircle(int number) : number_(number) { setFixedSize(26, 26); }
    bool selected = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(selected ? kit::accentColor().resolve(dark())
                            : kit::withAlpha(kit::primaryLabelColor.resolve(dark()), 0.07));
        p.drawEllipse(rect());
        p.setPen(selected ? QColor(Qt::white) : kit::mutedColor.resolve(dark()));
        p.setFont(kit::uiFont(12, QFont::DemiBold));
        p.drawText(rect(), Qt::AlignCenter, QString::number(number_));
    }

private:
    int number_;
};

// The header of an advice section: tile, title, chevron; the whole row is the button.
class SectionHeader final : public QAbstractButton {
public:
    SectionHeader(const GuideSection& section, const bool& expanded) : expanded_(expanded) {
        setObjectName("sectionHeader");
        setText(section.title);
        setAccessibleName(section.title);
        setCursor(Qt::PointingHandCursor);
        auto* line = new QHBoxLayout(this);
        line->setContentsMargins(12, 12, 12, 12);
        line->setSpacing(8);
        line->addWidget(new kit::IconTile(section.symbol, 26, false));
        auto* title = label(section.title, kit::uiFont(14, QFont::DemiBold), false, true);
        line->addWidget(title, 1);
        line->addSpacing(12);
        auto* chevron = new QWidget;
        chevron->setFixedSize(12, 12);
        chevron_ = chevron;
        line->addWidget(chevron);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(chevron_->geometry());
        p.translate(r.center());
        if (expanded_) p.rotate(180);
        kit::icons::paint(p, QStringLiteral("chevron.down"), QRectF(-5.5, -5.5, 11, 11), kit::mutedColor.resolve(dark()));
    }

private:
    const bool& expanded_;
    QWidget* chevron_;
};

QWidget* itemView(const GuideItem& item, bool card) {
    QWidget* box = card ? static_cast<QWidget*>(new Tinted(
                              [] { return kit::withAlpha(kit::primaryLabelColor.resolve(dark()), 0.05); }, 10))
                        : new QWidget;
    box->setObjectName("guideItem");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(card ? 8 : 0, card ? 8 : 0, card ? 8 : 0, card ? 8 : 0);
    column->setSpacing(card ? 3 : 2);
    column->addWidget(label(item.title, kit::uiFont(13.5, QFont::DemiBold), false, true));
    column->addWidget(label(item.text, kit::uiFont(12.5), true, true));
    return box;
}

}  // namespace

// ---- The list's rows ----

GuideStepRow::GuideStepRow(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    setObjectName("stepRow");
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(10, 10, 10, 10);
    line->setSpacing(10);
    number_ = new NumberCircle(index + 1);
    line->addWidget(number_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    title_ = label({}, kit::uiFont(12.5, QFont::Medium), false, true);
    texts->addWidget(title_);
    const QString tagText = tag();
    if (!tagText.isEmpty()) {
        tag_ = label(tagText, kit::uiFont(10.5), true);
        tag_->setObjectName("stepTag");
        texts->addWidget(tag_);
    }
    line->addLayout(texts, 1);
}

QString GuideStepRow::tag() const {
    if (index_ == 0) return u("La prima utilizare");
    if (index_ == guideStepCount - 1) return u("Opțional, după livrare");
    return {};
}

void GuideStepRow::setStep(const GuideStep& step, bool selected) {
    selected_ = selected;
    static_cast<NumberCircle*>(number_)->selected = selected;
    title_->setText(step.title);
    title_->setFont(kit::uiFont(12.5, selected ? QFont::DemiBold : QFont::Medium));
    title_->setColor(selected ? kit::accentColor() : kit::primaryLabelColor);
    setText(step.title);
    setAccessibleName(u("Pasul ") + QString::number(index_ + 1) + u(": ") + step.title);
    setCheckable(true);
    setChecked(selected);
    number_->update();
    update();
}

void GuideStepRow::paintEvent(QPaintEvent*) {
    if (!selected_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kit::withAlpha(kit::accentColor().resolve(dark()), 0.1));
    p.drawRoundedRect(QRectF(rect()), 12, 12);
}

// ---- The workflow ----

GuideWorkflowView::GuideWorkflowView(NavigationHandler onNavigate, QWidget* parent)
    : QWidget(parent), model_(std::move(onNavigate)) {
    setObjectName("guideWorkflow");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    auto* sourceRow = new QHBoxLayout;
    sourceRow->setSpacing(16);
    sourceRow->addWidget(symbolLabel(QStringLiteral("photo.stack"), u("Sursa proiectului"), kit::uiFont(12, QFont::Medium),
                                     kit::mutedColor));
    source_ = new kit::PillPicker({{true, u("Catalog Lightroom"), QStringLiteral("books.vertical")},
                                   {false, u("Folder cu RAW-uri"), QStringLiteral("folder")}},
                                  true);
    source_->setObjectName("sourcePicker");
    source_->setAccessibleName(u("Sursa proiectului"));
    source_->setFixedWidth(390);
    sourceRow->addWidget(source_);
    sourceRow->addStretch(1);
    column->addLayout(sourceRow);

    auto* main = new QHBoxLayout;
    main->setSpacing(20);
    auto* list = new QWidget;
    auto* listColumn = new QVBoxLayout(list);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(4);
    for (int i = 0; i < guideStepCount; ++i) {
        auto* row = new GuideStepRow(i);
        connect(row, &QAbstractButton::clicked, this, [this, i] { model_.select(i); });
        rows_ << row;
        listColumn->addWidget(row);
    }
    listColumn->addStretch(1);
    auto* listArea = kit::clearScrollArea(list, true);
    listArea->setFixedWidth(205);
    main->addWidget(listArea);
    detailHolder_ = new QWidget;
    detailLayout_ = new QVBoxLayout(detailHolder_);
    detailLayout_->setContentsMargins(0, 2, 10, 2);
    main->addWidget(kit::clearScrollArea(detailHolder_, true), 1);
    column->addLayout(main, 1);

    auto* divider = new Tinted([] { return kit::withAlpha(kit::primaryLabelColor.resolve(dark()), 0.12); }, 0);
    divider->setFixedHeight(1);
    column->addWidget(divider);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(12);
    back_ = new kit::KitButton(u("Înapoi"), kit::ButtonLook::outline);
    back_->setObjectName("back");
    back_->setSymbol(QStringLiteral("chevron.left"));
    footer->addWidget(back_);
    footer->addStretch(1);
    position_ = label({}, kit::uiFont(12), true);
    position_->setObjectName("position");
    position_->setAccessibleName(u("Poziția în ghid"));
    footer->addWidget(position_);
    footer->addStretch(1);
    next_ = new kit::KitButton({}, kit::ButtonLook::accent);
    next_->setObjectName("next");
    footer->addWidget(next_);
    column->addLayout(footer);

    connect(source_, &kit::PillPicker::selectionWritten, this,
            [this](const QVariant& value) { model_.setFromCatalog(value.toBool()); });
    connect(back_, &QAbstractButton::clicked, &model_, &GuideWorkflowModel::back);
    connect(next_, &QAbstractButton::clicked, &model_, &GuideWorkflowModel::next);
    connect(&model_, &GuideWorkflowModel::changed, this, &GuideWorkflowView::refresh);
    refresh();
}

void GuideWorkflowView::refresh() {
    source_->setSelection(model_.fromCatalog(), true);
    const auto& steps = model_.steps();
    for (GuideStepRow* row : rows_) row->setStep(steps[std::size_t(row->index())], row->index() == model_.selectedStep());
    back_->setEnabled(model_.canGoBack());
    position_->setText(model_.positionText());
    position_->setAccessibleDescription(model_.positionText());
    next_->setText(model_.nextTitle());
    next_->setSymbol(model_.nextSymbol());
    rebuildDetail();
}

void GuideWorkflowView::rebuildDetail() {
    if (detail_) {
        detailLayout_->removeWidget(detail_);
        detail_->hide();
        detail_->deleteLater();
    }
    instructions_.clear();
    action_ = nullptr;
    const GuideStep& step = model_.step();
    detail_ = new QWidget;
    detail_->setObjectName("stepDetail");
    auto* column = new QVBoxLayout(detail_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(7);
    title_ = label(step.title, kit::trackedFont(24, QFont::Bold, -0.4), false, true);
    title_->setObjectName("stepTitle");
    heading->addWidget(title_);
    summary_ = label(step.summary, kit::uiFont(13), true, true);
    summary_->setObjectName("stepSummary");
    heading->addWidget(summary_);
    column->addLayout(heading);

    auto* list = new QVBoxLayout;
    list->setSpacing(14);
    for (std::size_t i = 0; i < step.instructions.size(); ++i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        auto* number = label(QString::number(i + 1) + QChar(u'.'), kit::uiFont(12.5, QFont::DemiBold));
        number->setColor(kit::accentColor());
        number->setFixedWidth(16);
        row->addWidget(number, 0, Qt::AlignTop);
        auto* text = label(step.instructions[i], kit::uiFont(13), false, true);
        text->setObjectName("instruction");
        instructions_ << text;
        row->addWidget(text, 1);
        list->addLayout(row);
    }
    column->addLayout(list);

    auto* outcomeBox = new Tinted([] { return kit::withAlpha(kit::accentColor().resolve(dark()), 0.07); }, 12);
    auto* outcomeColumn = new QVBoxLayout(outcomeBox);
    outcomeColumn->setContentsMargins(14, 14, 14, 14);
    outcomeColumn->setSpacing(5);
    outcomeColumn->addWidget(symbolLabel(QStringLiteral("flag"), u("La finalul acestui pas"),
                                         kit::uiFont(12, QFont::DemiBold), kit::accentColor()));
    outcome_ = label(step.outcome, kit::uiFont(12.5), false, true);
    outcome_->setObjectName("stepOutcome");
    outcomeColumn->addWidget(outcome_);
    column->addWidget(outcomeBox);

    if (model_.hasAction()) {
        action_ = new kit::KitButton(step.action, kit::ButtonLook::outline);
        action_->setObjectName("stepAction");
        action_->setSymbol(QStringLiteral("arrow.up.forward"));
        connect(action_, &QAbstractButton::clicked, &model_, &GuideWorkflowModel::runAction);
        column->addWidget(action_, 0, Qt::AlignLeft);
    }
    column->addStretch(1);
    detailLayout_->addWidget(detail_);
}

// ---- The reference ----

GuideAdviceSection::GuideAdviceSection(const GuideSection& section, QWidget* parent) : QWidget(parent) {
    setObjectName("adviceSection");
    auto* frame = new kit::GlassFrame(kit::GlassTreatment::clear, kit::KitShape::rounded(20));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    header_ = new SectionHeader(section, expanded_);
    header_->setAccessibleDescription(accessibilityValue());
    column->addWidget(header_);
    body_ = new QWidget;
    body_->setObjectName("sectionBody");
    auto* items = new QVBoxLayout(body_);
    items->setContentsMargins(12, 0, 12, 12);
    items->setSpacing(12);
    for (const GuideItem& item : section.items) items->addWidget(itemView(item, section.cards));
    body_->hide();
    column->addWidget(body_);
    connect(header_, &QAbstractButton::clicked, this, &GuideAdviceSection::toggle);
}

void GuideAdviceSection::toggle() {
    expanded_ = !expanded_;
    body_->setVisible(expanded_);
    header_->setAccessibleDescription(accessibilityValue());
    header_->update();
}

QString GuideAdviceSection::accessibilityValue() const { return expanded_ ? u("Extins") : u("Restrâns"); }

// ---- The sheet ----

GuideSheet::GuideSheet(NavigationHandler onNavigate, std::function<void()> dismiss, QWidget* parent)
    : kit::GlassSheet(false, parent), dismiss_(std::move(dismiss)) {
    setProperty("sheetTitle", u("Ghid de utilizare"));
    setFixedSize(sheetWidth, sheetHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(18);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 36, 0);
    header->setSpacing(12);
    header->addWidget(new kit::IconTile(QStringLiteral("book.pages"), 44, true));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    auto* title = label(u("Ghid de utilizare"), kit::trackedFont(22, QFont::Bold, -0.4));
    title->setObjectName("sheetTitle");
    titles->addWidget(title);
    titles->addWidget(label(u("Urmează pașii în ordine sau alege unde ai rămas."), kit::uiFont(13), true));
    header->addLayout(titles, 1);
    column->addLayout(header);

    sections_ = new kit::PillPicker({{false, u("Pas cu pas"), QStringLiteral("list.number")},
                                     {true, u("Opțiuni și sfaturi"), QStringLiteral("slider.horizontal.3")}},
                                    false);
    sections_->setObjectName("sectionPicker");
    sections_->setAccessibleName(u("Secțiunea ghidului"));
    sections_->setFixedWidth(400);
    column->addWidget(sections_);

    // The handler goes first, then the sheet closes: the presenter has the destination by then.
    NavigationHandler wrapped;
    if (onNavigate)
        wrapped = [this, onNavigate](GuideDestination destination) {
            onNavigate(destination);
            if (dismiss_) dismiss_();
        };
    content_ = new QStackedWidget;
    workflow_ = new GuideWorkflowView(std::move(wrapped));
    content_->addWidget(workflow_);
    column->addWidget(content_, 1);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, this, [this] {
        if (dismiss_) dismiss_();
    });
    connect(sections_, &kit::PillPicker::selectionWritten, this,
            [this](const QVariant& value) { setShowReference(value.toBool()); });
}

void GuideSheet::setShowReference(bool show) {
    sections_->setSelection(show, true);
    if (show == showReference_) return;
    showReference_ = show;
    if (reference_) {
        // Built anew on every visit: every section starts closed.
        content_->removeWidget(reference_);
        reference_->deleteLater();
        reference_ = nullptr;
    }
    if (show) {
        auto* list = new QWidget;
        auto* column = new QVBoxLayout(list);
        column->setContentsMargins(0, 2, 0, 2);
        column->setSpacing(12);
        column->addWidget(label(guideReferenceIntro(), kit::uiFont(kit::TextStyle::callout), true));
        for (const GuideSection& section : guideReference()) column->addWidget(new GuideAdviceSection(section));
        column->addStretch(1);
        reference_ = kit::clearScrollArea(list, true);
        reference_->setObjectName("reference");
        content_->addWidget(reference_);
        content_->setCurrentWidget(reference_);
    } else {
        content_->setCurrentWidget(workflow_);
    }
}

QList<GuideAdviceSection*> GuideSheet::adviceSections() const {
    if (!reference_) return {};
    return reference_->findChildren<GuideAdviceSection*>();
}

}  // namespace orvane::guide
