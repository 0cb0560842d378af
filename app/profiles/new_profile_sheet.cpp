#include "app/profiles/new_profile_sheet.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/dialogs.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/glass.h"
#include "app/kit/help_dot.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "core/base/defaults.h"

namespace orvane::profiles {

using Mode = NewProfileModel::Mode;

namespace {

kit::KitLabel* text(const QString& value, const QFont& font, kit::AdaptiveColor color = kit::primaryLabelColor,
                    int maxLines = 1) {
    auto* l = new kit::KitLabel(value, font);
    l->setColor(color);
    l->setMaxLines(maxLines);
    return l;
}

kit::KitLabel* localizedText(const char* value, const QFont& font, kit::AdaptiveColor color = kit::primaryLabelColor,
                             int maxLines = 1) {
    auto* l = text(QString::fromUtf8(value), font, color, maxLines);
    l->setLocalized(true);
    return l;
}

QWidget* row(QWidget* parent = nullptr) {
    auto* w = new QWidget(parent);
    auto* r = new QHBoxLayout(w);
    r->setContentsMargins(0, 0, 0, 0);
    return w;
}

kit::KitButton* button(const char* title, kit::ButtonLook look, const char* objectName) {
    auto* b = new kit::KitButton(kit::localized(title), look);
    b->setObjectName(objectName);
    return b;
}

// A row of the step's buttons at the large control size, pushed to the trailing edge.
QWidget* buttonRow(std::initializer_list<QWidget*> buttons) {
    auto* w = row();
    w->setProperty("controlSize", QStringLiteral("large"));
    auto* r = static_cast<QHBoxLayout*>(w->layout());
    r->setSpacing(10);
    r->addStretch(1);
    for (QWidget* b : buttons) r->addWidget(b);
    return w;
}

// A mode card: a rounded light glass card that reacts to a click anywhere on it.
class ModeCard final : public QWidget {
public:
    explicit ModeCard(std::function<void()> action) : action_(std::move(action)) {
        setCursor(Qt::PointingHandCursor);
        setMinimumHeight(300);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const kit::KitShape shape = kit::KitShape::rounded(20);
        kit::paintGlass(p, this, shape, kit::GlassTreatment::airy);
        const bool dark = kit::Appearance::instance().isDark();
        p.fillPath(shape.path(QRectF(rect())), QColor(255, 255, 255, int((dark ? 0.07 : 0.55) * 255)));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && action_) action_();
    }

private:
    std::function<void()> action_;
};

// A catalog row: light glass with the whole rectangle taking clicks.
class CatalogRow final : public kit::GlassFrame {
public:
    explicit CatalogRow(std::function<void()> action)
        : kit::GlassFrame(kit::GlassTreatment::airy, kit::KitShape::rounded(14)), action_(std::move(action)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && action_) action_();
    }

private:
    std::function<void()> action_;
};

// The preset drop zone's frame: a faint fill and a dashed border, both in the accent while a drag hovers.
class DropZone final : public QWidget {
public:
    explicit DropZone(NewProfileModel& model) : model_(model) {
        setObjectName("presetDropZone");
        setAcceptDrops(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = kit::Appearance::instance().isDark();
        const bool targeted = model_.dropTargeted();
        const QColor accent = kit::accentColor().resolve(dark);
        const QColor primary = kit::primaryLabelColor.resolve(dark);
        const kit::KitShape shape = kit::KitShape::rounded(14);
        p.fillPath(shape.path(QRectF(rect())), kit::withAlpha(targeted ? accent : primary, targeted ? 0.12 : 0.04));
        QPen pen(kit::withAlpha(targeted ? accent : primary, targeted ? 1.0 : 0.22), 1.2);
        pen.setDashPattern({5 / 1.2, 4 / 1.2});
        p.setPen(pen);
        p.drawPath(shape.path(QRectF(rect()), 0.6));
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!event->mimeData()->hasUrls()) return event->ignore();
        event->acceptProposedAction();
        model_.setDropTargeted(true);
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dragLeaveEvent(QDragLeaveEvent*) override { model_.setDropTargeted(false); }
    void dropEvent(QDropEvent* event) override {
        model_.setDropTargeted(false);
        QStringList paths;
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
        if (model_.dropPresetFiles(paths)) {
            event->acceptProposedAction();
        } else {
            // Refused here; the window's own drop rule does not see it either.
            event->setDropAction(Qt::IgnoreAction);
            event->accept();
        }
    }

private:
    NewProfileModel& model_;
};

// A vertical scroll area that lets the sheet's glass show through.
QScrollArea* clearScrollArea(QWidget* content) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setStyleSheet(
        QStringLiteral("QScrollArea{background:transparent;} QScrollArea > QWidget > QWidget{background:transparent;}"));
    scroll->setWidget(content);
    return scroll;
}

const char* const presetHelp =
    "Cum obții presetul în Lightroom Classic:\n"
    "1. Editează o fotografie cum îți place, în modulul Develop.\n"
    "2. În panoul Presets apasă +, apoi Create Preset… și bifează setările dorite.\n"
    "3. Clic dreapta pe preset în panou → Export… și salvează fișierul .xmp.\n"
    "\n"
    "Poți alege și direct un fișier .xmp din folderul de presete.";

}  // namespace

NewProfileSheet::NewProfileSheet(model::AppModel& app, model::Router& router, NewProfileServices services,
                                 QWidget* parent)
    : kit::GlassSheet(false, parent) {
    setProperty("sheetTitle", QString::fromUtf8("Profil nou"));
    model_ = new NewProfileModel(app, router, std::move(services), this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    back_ = new kit::GlassCircleButton(QStringLiteral("chevron.left"), 32, 13);
    back_->setObjectName("back");
    back_->setToolTip(kit::localized("Înapoi"));
    connect(back_, &QAbstractButton::clicked, model_, &NewProfileModel::goBack);
    header->addWidget(back_);
    header->addWidget(new kit::IconTile(QStringLiteral("slider.horizontal.3"), 44, true));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = localizedText("Profil nou", kit::trackedFont(22, QFont::Bold, -0.4));
    title->setObjectName("sheetTitle");
    titles->addWidget(title);
    subtitle_ = text(QString(), kit::uiFont(13), kit::mutedColor);
    subtitle_->setObjectName("subtitle");
    titles->addWidget(subtitle_);
    header->addLayout(titles, 1);
    header->addSpacing(36);
    outer->addLayout(header);

    auto* pagesHolder = new QWidget;
    pages_ = new QStackedLayout(pagesHolder);
    pages_->setContentsMargins(0, 0, 0, 0);
    choose_ = choosePage();
    pages_->addWidget(choose_);
    auto* proPage = new QWidget;
    proHolder_ = new QVBoxLayout(proPage);
    proHolder_->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(proPage);
    instant_ = instantPage();
    pages_->addWidget(instant_);
    outer->addWidget(pagesHolder, 1);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, model_, &NewProfileModel::dismiss);

    connect(model_, &NewProfileModel::changed, this, &NewProfileSheet::refresh);
    connect(model_, &NewProfileModel::modeChanged, this, [this] {
        refresh();
        applySize();
        // The step's name field has the keyboard focus as soon as it shows.
        if (QWidget* page = pages_->currentWidget())
            if (auto* field = page->findChild<QLineEdit*>(QStringLiteral("name"))) field->setFocus();
    });
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) rebuildPro();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] { update(); });

    model_->prepareOnAppear();
    rebuildPro();
    refresh();
    applySize();
}

NewProfileSheet::~NewProfileSheet() {
    // Results still on their way find the model closed; no redraw reaches a half-destroyed sheet.
    model_->disconnect(this);
}

QSize NewProfileSheet::sizeHint() const { return model_->sheetSize(); }

void NewProfileSheet::applySize() {
    const QSize size = model_->sheetSize();
    setFixedSize(size);
    // The host places a sheet when it presents it; a sheet that changes size centres itself again.
    if (auto* host = qobject_cast<kit::SheetHost*>(parentWidget())) setGeometry(kit::SheetHost::sheetFrame(host->size(), size));
}

void NewProfileSheet::refresh() {
    if (model_->closed()) return;
    const int page = model_->mode() == Mode::choose ? 0 : model_->mode() == Mode::pro ? 1 : 2;
    if (pages_->currentIndex() != page) pages_->setCurrentIndex(page);
    back_->setVisible(model_->mode() != Mode::choose);
    subtitle_->setText(model_->subtitle());
    if (model_->hasCatalogs() != proHasCatalogs_) {
        rebuildPro();
        applySize();
    }
    for (const auto& update : updaters_) update();
    for (const auto& update : proUpdaters_) update();
}

QScrollArea* NewProfileSheet::scrolling(QWidget* content) {
    auto* scroll = clearScrollArea(content);
    content->layout()->setContentsMargins(2, 0, 2, 0);
    return scroll;
}

// ---- the choice ----

QWidget* NewProfileSheet::choosePage() {
    auto* page = row();
    page->setObjectName("choosePage");
    auto* cards = static_cast<QHBoxLayout*>(page->layout());
    cards->setSpacing(16);
    cards->setAlignment(Qt::AlignTop);
    struct CardText {
        const char* name;
        const char* symbol;
        bool badge;
        const char* title;
        const char* description;
        void (NewProfileModel::*action)();
    };
    const CardText texts[] = {
        {"proCard", "books.vertical", true, "Profil profesional",
         "Aplicația învață din fotografiile tale editate (cataloage Lightroom) și imită stilul tău. Cu cât ai mai "
         "multe, cu atât e mai precis; recomandat: minim 500, din cel puțin 3 evenimente.",
         &NewProfileModel::choosePro},
        {"instantCard", "bolt.fill", false, "Profil instant",
         "Alegi un preset Lightroom și ești gata în câteva secunde, fără cataloage. Mai puțin personalizat decât cel "
         "profesional.",
         &NewProfileModel::chooseInstant},
    };
    for (const CardText& t : texts) {
        auto action = [this, a = t.action] { (model_->*a)(); };
        auto* card = new ModeCard(action);
        card->setObjectName(t.name);
        auto* col = new QVBoxLayout(card);
        col->setContentsMargins(16, 16, 16, 16);
        col->setSpacing(12);
        auto* top = new QHBoxLayout;
        top->addWidget(new kit::IconTile(QString::fromLatin1(t.symbol), 40, false));
        top->addStretch(1);
        if (t.badge) {
            auto* badge = new kit::StatusPill(kit::localized("Recomandat"), std::nullopt, kit::StatusKind::ok);
            badge->setObjectName("recommended");
            top->addWidget(badge, 0, Qt::AlignTop);
        }
        col->addLayout(top);
        col->addWidget(localizedText(t.title, kit::trackedFont(18, QFont::Bold, -0.3)));
        col->addWidget(localizedText(t.description, kit::uiFont(13), kit::mutedColor, 0));
        col->addStretch(1);
        auto* create = new kit::KitButton(kit::localized("Creează"), kit::ButtonLook::accent);
        create->setObjectName("create");
        create->setProperty("controlSize", QStringLiteral("large"));
        create->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(create, &QAbstractButton::clicked, this, action);
        col->addWidget(create);
        cards->addWidget(new kit::HoverLift(card), 1, Qt::AlignTop);
    }
    return page;
}

// ---- the parts both steps show ----

QWidget* NewProfileSheet::nameField() {
    auto* block = new QWidget;
    auto* col = new QVBoxLayout(block);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(6);
    col->addWidget(localizedText("Nume", kit::uiFont(kit::TextStyle::caption, QFont::DemiBold), kit::mutedColor));
    auto* field = new QLineEdit;
    field->setObjectName("name");
    field->setFont(kit::uiFont(15));
    field->setMinimumHeight(34);
    field->setPlaceholderText(kit::localized("ex. Stilul meu"));
    connect(field, &QLineEdit::textEdited, model_, &NewProfileModel::setName);
    col->addWidget(field);
    auto update = [this, field] {
        if (field->text() != model_->name()) field->setText(model_->name());
    };
    (pro_ ? proUpdaters_ : updaters_).push_back(update);
    update();
    return block;
}

QWidget* NewProfileSheet::styleSection() {
    auto* section = new QWidget;
    auto* col = new QVBoxLayout(section);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(8);

    auto* card = new kit::GlassFrame(kit::GlassTreatment::airy, kit::KitShape::rounded(14));
    card->setObjectName("styleCard");
    auto* cardRow = new QHBoxLayout(card);
    cardRow->setContentsMargins(12, 12, 12, 12);
    cardRow->setSpacing(12);
    auto* tileHolder = new QVBoxLayout;
    tileHolder->setContentsMargins(0, 0, 0, 0);
    cardRow->addLayout(tileHolder);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(localizedText("Stilul de bază", kit::uiFont(14, QFont::DemiBold)));
    auto* caption = text(QString(), kit::uiFont(kit::TextStyle::caption), kit::mutedColor, 0);
    caption->setObjectName("styleCaption");
    texts->addWidget(caption);
    cardRow->addLayout(texts, 1);
    col->addWidget(card);

    auto* advanced = new kit::ToolGroup(QString::fromUtf8("Avansat"), QStringLiteral("gearshape"), false);
    advanced->setObjectName("advanced");
    auto* advancedBody = new QWidget;
    auto* advancedCol = new QVBoxLayout(advancedBody);
    advancedCol->setContentsMargins(0, 8, 0, 0);
    advancedCol->setSpacing(8);
    advancedCol->addWidget(presetDropZone());
    auto* back = new QPushButton(kit::localized("Revino la stilul automat"));
    back->setObjectName("returnToAutomatic");
    back->setFlat(true);
    back->setCursor(Qt::PointingHandCursor);
    back->setFont(kit::uiFont(kit::TextStyle::caption, QFont::Medium));
    connect(back, &QPushButton::clicked, model_, &NewProfileModel::returnToAutomatic);
    advancedCol->addWidget(back, 0, Qt::AlignLeft);
    advanced->addTool(advancedBody);
    col->addWidget(advanced);

    auto tile = std::make_shared<QPointer<kit::IconTile>>();
    auto update = [this, tileHolder, tile, caption, back] {
        const QString symbol = model_->styleSymbol();
        if (!*tile || (*tile)->symbol() != symbol) {
            delete tile->data();
            *tile = new kit::IconTile(symbol, 36, false);
            (*tile)->setObjectName("styleTile");
            tileHolder->addWidget(*tile, 0, Qt::AlignTop);
        }
        caption->setText(model_->styleCaption());
        back->setVisible(model_->customPreset());
        const bool dark = kit::Appearance::instance().isDark();
        back->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;padding:0;color:%1;}")
                                .arg(kit::accentColor().resolve(dark).name()));
    };
    (pro_ ? proUpdaters_ : updaters_).push_back(update);
    update();
    return section;
}

QWidget* NewProfileSheet::presetDropZone() {
    auto* zone = new DropZone(*model_);
    auto* r = new QHBoxLayout(zone);
    r->setContentsMargins(12, 12, 12, 12);
    r->setSpacing(12);
    r->addWidget(new kit::HelpDot(QString::fromUtf8(presetHelp), 24), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = text(QString(), kit::uiFont(14, QFont::DemiBold));
    title->setObjectName("dropTitle");
    title->setElideMode(Qt::ElideRight);
    auto* subtitle = text(QString(), kit::uiFont(kit::TextStyle::caption), kit::mutedColor);
    subtitle->setObjectName("dropSubtitle");
    texts->addWidget(title);
    texts->addWidget(subtitle);
    r->addLayout(texts, 1);
    r->addSpacing(8);
    auto* choose = button("Alege fișier…", kit::ButtonLook::outline, "choosePreset");
    choose->setProperty("controlSize", QStringLiteral("small"));
    connect(choose, &QAbstractButton::clicked, this, &NewProfileSheet::choosePresetFile);
    r->addWidget(choose, 0, Qt::AlignVCenter);
    auto update = [this, zone, title, subtitle] {
        const bool custom = model_->customPreset();
        title->setText(custom ? model_->presetTitle() : kit::localized("Trage aici fișierul .xmp"));
        subtitle->setText(custom ? kit::localized("Preset încărcat. Trage altul ca să-l înlocuiești.")
                                 : kit::localized("sau alege-l din calculator"));
        zone->update();
    };
    (pro_ ? proUpdaters_ : updaters_).push_back(update);
    update();
    return zone;
}

void NewProfileSheet::choosePresetFile() {
    const QStringList chosen =
        kit::dialogs().chooseFiles(kit::localized("Alege presetul Lightroom (.xmp)"), {QStringLiteral("xmp")}, false);
    if (!chosen.isEmpty()) model_->loadPresetFile(chosen.first().toStdString());
}

// ---- the instant step ----

QWidget* NewProfileSheet::instantPage() {
    auto* page = new QWidget;
    page->setObjectName("instantPage");
    auto* col = new QVBoxLayout(page);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(12);
    auto* content = new QWidget;
    auto* inner = new QVBoxLayout(content);
    inner->setSpacing(16);
    inner->addWidget(nameField());
    inner->addWidget(styleSection());
    inner->addWidget(localizedText("Gata în câteva secunde, fără cataloage. Mai târziu poți construi un profil "
                                   "profesional, personalizat după stilul tău.",
                                   kit::uiFont(kit::TextStyle::callout), kit::mutedColor, 0));
    inner->addStretch(1);
    col->addWidget(scrolling(content), 1);
    auto* later = button("Mai târziu", kit::ButtonLook::outline, "later");
    auto* create = button("Creează profilul", kit::ButtonLook::accent, "createInstant");
    connect(later, &QAbstractButton::clicked, model_, &NewProfileModel::dismiss);
    connect(create, &QAbstractButton::clicked, model_, &NewProfileModel::createInstantProfile);
    col->addWidget(buttonRow({later, create}));
    updaters_.push_back([this, create] { create->setEnabled(model_->canCreateInstant()); });
    return page;
}

// ---- the professional step ----

void NewProfileSheet::rebuildPro() {
    proUpdaters_.clear();
    if (pro_) {
        proHolder_->removeWidget(pro_);
        pro_->hide();
        pro_->deleteLater();
    }
    proHasCatalogs_ = model_->hasCatalogs();
    auto* content = new QWidget;
    pro_ = content;  // the shared parts below report to the pro step's updaters
    content->setObjectName(proHasCatalogs_ ? "catalogStep" : "importHint");
    auto* col = new QVBoxLayout(content);
    col->setSpacing(8);
    col->addWidget(styleSection());
    col->addWidget(nameField());
    auto* later = button("Mai târziu", kit::ButtonLook::outline, "later");
    connect(later, &QAbstractButton::clicked, model_, &NewProfileModel::dismiss);
    if (!proHasCatalogs_) {
        col->addWidget(localizedText("Urmează: alegi cataloagele Lightroom din care învață aplicația.",
                                     kit::uiFont(kit::TextStyle::callout), kit::mutedColor, 0));
        auto* next = button("Continuă", kit::ButtonLook::accent, "continue");
        connect(next, &QAbstractButton::clicked, model_, &NewProfileModel::continueToLibrary);
        col->addWidget(buttonRow({later, next}));
        proUpdaters_.push_back([this, next] { next->setEnabled(model_->canContinue()); });
    } else {
        col->addWidget(catalogList());
        if (model_->anyCatalogMissingRaws()) {
            auto* box = new QWidget;
            auto* r = new QHBoxLayout(box);
            r->setContentsMargins(0, 4, 0, 0);
            r->setSpacing(10);
            auto* previews = new QCheckBox;
            previews->setObjectName("fromPreviews");
            r->addWidget(previews, 0, Qt::AlignTop);
            auto* labels = new QVBoxLayout;
            labels->setSpacing(2);
            labels->addWidget(localizedText("Folosește Smart Preview-urile", kit::uiFont(13, QFont::Medium)));
            labels->addWidget(localizedText("Pentru cataloage ale căror RAW-uri nu mai există. Poți combina: "
                                            "fotografiile cu Smart Preview folosesc preview-ul, iar cele fără el, "
                                            "RAW-ul.",
                                            kit::uiFont(kit::TextStyle::caption), kit::mutedColor, 0));
            r->addLayout(labels, 1);
            connect(previews, &QCheckBox::toggled, model_, &NewProfileModel::setFromPreviews);
            proUpdaters_.push_back([this, previews] {
                if (previews->isChecked() != model_->fromPreviews()) previews->setChecked(model_->fromPreviews());
            });
            col->addWidget(box);
        }
        auto* count = text(QString(), kit::uiFont(kit::TextStyle::callout), kit::mutedColor, 0);
        count->setObjectName("countLine");
        col->addWidget(count);
        auto* busy = localizedText("Un profil se antrenează acum. Încearcă după ce se termină.",
                                   kit::uiFont(kit::TextStyle::callout), kit::warnColor, 0);
        busy->setObjectName("trainingBusy");
        col->addWidget(busy);
        auto* create = button("Creează și antrenează", kit::ButtonLook::accent, "createPro");
        connect(create, &QAbstractButton::clicked, model_, &NewProfileModel::createProfile);
        col->addWidget(buttonRow({later, create}));
        proUpdaters_.push_back([this, count, busy, create] {
            count->setText(QString::number(model_->chosenPhotoCount()) + model_->countLineText());
            count->setColor(model_->countLineWarns() ? kit::warnColor : kit::mutedColor);
            busy->setVisible(model_->otherTrainingRuns());
            create->setEnabled(model_->canCreatePro());
        });
    }
    col->addStretch(1);
    auto* scroll = scrolling(content);
    scroll->setObjectName("proScroll");
    proHolder_->addWidget(scroll);
    pro_ = scroll;
    for (const auto& update : proUpdaters_) update();
}

QWidget* NewProfileSheet::catalogList() {
    auto* block = new QWidget;
    auto* col = new QVBoxLayout(block);
    col->setContentsMargins(0, 4, 0, 0);
    col->setSpacing(6);
    auto* heading = new QHBoxLayout;
    heading->addWidget(localizedText("Cataloage folosite la antrenare",
                                     kit::uiFont(kit::TextStyle::caption, QFont::DemiBold), kit::mutedColor));
    heading->addStretch(1);
    if (model_->showsSortPicker()) {
        auto* sort = new kit::CatalogSortPicker;
        sort->setObjectName("catalogSort");
        heading->addWidget(sort);
    }
    col->addLayout(heading);

    auto* rows = new QWidget;
    rows->setObjectName("catalogRows");
    auto* list = new QVBoxLayout(rows);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(8);
    for (const TrainingCatalog& catalog : model_->listedCatalogs()) {
        const Uuid id = catalog.id;
        auto* r = new CatalogRow([this, id] { model_->toggleCatalog(id); });
        r->setObjectName("catalogRow");
        r->setProperty("catalogID", QString::fromStdString(id.text()));
        r->setFixedHeight(44);
        auto* line = new QHBoxLayout(r);
        line->setContentsMargins(12, 10, 12, 10);
        line->setSpacing(12);
        auto* mark = new kit::SymbolView(QStringLiteral("circle"), 19);
        line->addWidget(mark);
        auto* name = text(QString::fromStdString(catalog.name), kit::uiFont(14, QFont::Medium));
        name->setElideMode(Qt::ElideRight);
        line->addWidget(name, 1);
        auto* count = text(QString(), kit::uiFont(12), kit::mutedColor);
        count->setObjectName("rowCount");
        line->addWidget(count);
        auto* fade = new QGraphicsOpacityEffect(r);
        r->setGraphicsEffect(fade);
        // The mark is redrawn with the choice; the symbol itself changes by a new view.
        auto markHolder = std::make_shared<QPointer<kit::SymbolView>>(mark);
        proUpdaters_.push_back([this, catalog, line, markHolder, count, fade, r] {
            const bool chosen = model_->chosen().count(catalog.id) > 0;
            const QString symbol = chosen ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
            if (!*markHolder || (*markHolder)->property("symbol").toString() != symbol) {
                delete markHolder->data();
                auto* view = new kit::SymbolView(symbol, 19);
                view->setProperty("symbol", symbol);
                view->setInk(chosen ? kit::accentColor() : kit::mutedColor);
                line->insertWidget(0, view);
                *markHolder = view;
            }
            const std::int64_t n = model_->trainableCount(catalog);
            count->setText(QString::number(n) + kit::localized(" fotografii"));
            fade->setOpacity(n < 1 ? 0.45 : 1.0);
            r->setProperty("chosen", chosen);
        });
        list->addWidget(r);
    }
    list->addStretch(1);
    auto* scroll = clearScrollArea(rows);
    scroll->setObjectName("catalogList");
    scroll->setFixedHeight(model_->catalogListHeight());
    col->addWidget(scroll);
    return block;
}

void NewProfileSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        model_->dismiss();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The step's default action; a disabled button takes no shortcut either.
        if (model_->mode() == Mode::instant && model_->canCreateInstant()) model_->createInstantProfile();
        if (model_->mode() == Mode::pro && !model_->hasCatalogs() && model_->canContinue()) model_->continueToLibrary();
        if (model_->mode() == Mode::pro && model_->hasCatalogs() && model_->canCreatePro()) model_->createProfile();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::profiles
