#include "app/shell/content_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_background.h"
#include "app/kit/sheet_host.h"

namespace orvane::shell {

using model::Route;
using Kind = Route::Kind;

namespace {

const Project* findProject(const model::AppModel& model, const Uuid& id) {
    const auto& list = model.projects();
    auto it = std::find_if(list.begin(), list.end(), [&](const Project& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

const Profile* findProfile(const model::AppModel& model, const Uuid& id) {
    const auto& list = model.profiles();
    auto it = std::find_if(list.begin(), list.end(), [&](const Profile& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

QLabel* text(const QString& value, double points, int weight, bool muted = false) {
    auto* label = new QLabel(value);
    label->setFont(kit::uiFont(points, weight));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (muted) kit::setMutedText(label);
    return label;
}

// A title on one line: cut at its end with "…" when the space is short, the whole text in its tooltip.
class OneLineTitle final : public QLabel {
public:
    OneLineTitle(QString title, double points, int weight) : full_(std::move(title)) {
        setFont(kit::uiFont(points, weight));
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setText(full_);
    }
    const QString& fullText() const { return full_; }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(full_) + 1, fontMetrics().height()}; }
    QSize minimumSizeHint() const override { return {0, fontMetrics().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, width());
        if (shown != text()) setText(shown);
        setToolTip(shown == full_ ? QString() : full_);
    }

private:
    QString full_;
};

// One row of the rail: symbol and title, highlighted with an accent fill while its section shows.
class RailRow final : public QAbstractButton {
public:
    RailRow(QString icon, const QString& title, QWidget* parent = nullptr) : QAbstractButton(parent), icon_(std::move(icon)) {
        setText(title);
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(38);
        setCheckable(true);
        setAutoExclusive(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool dark = kit::Appearance::instance().isDark();
        QColor ink = kit::primaryLabelColor.resolve(dark);
        if (isChecked()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kit::accentColor().resolve(dark));
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 11, 11);
            ink = kit::onAccentColor.resolve(dark);
        } else if (underMouse()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kit::softFillColor.resolve(dark));
            painter.drawRoundedRect(QRectF(rect()), 11, 11);
        }
        kit::icons::paint(painter, icon_, QRectF(12, (height() - 17) / 2.0, 17, 17), ink);
        painter.setPen(ink);
        painter.setFont(kit::uiFont(13.5, isChecked() ? QFont::DemiBold : QFont::Medium));
        painter.drawText(QRectF(40, 0, width() - 48, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
    void enterEvent(QEnterEvent* e) override {
        update();
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        update();
        QAbstractButton::leaveEvent(e);
    }

private:
    QString icon_;
};

// The side rail until its own screen is built: the product name and the section rows.
class Rail final : public QWidget {
public:
    Rail(model::AppModel& model, model::Router& router) : model_(model), router_(router) {
        setFixedWidth(224 + 14);
        auto* outer = new QVBoxLayout(this);
        outer->setContentsMargins(14, 14, 0, 14);
        panel_ = new kit::GlassFrame(kit::GlassTreatment::panel, kit::KitShape::rounded(30));
        outer->addWidget(panel_);
        auto* rows = new QVBoxLayout(panel_);
        rows->setContentsMargins(14, 22, 14, 16);
        rows->setSpacing(4);
        auto* name = text("Vendrel", 27, QFont::DemiBold);
        rows->addWidget(name);
        rows->addSpacing(18);
        home_ = add(rows, "house", "Acasă", Route::home());
        profiles_ = add(rows, "slider.horizontal.3", "Profiluri AI", Route::profiles());
        projects_ = add(rows, "photo.stack", "Proiecte", Route::projects());
        rows->addStretch(1);
        settings_ = add(rows, "gearshape", "Setări", Route::settings());
        connect(&router_, &model::Router::routeChanged, this, [this] { refresh(); });
        connect(&model_, &model::AppModel::profilesChanged, this, [this] { refresh(); });
        connect(&model_, &model::AppModel::projectsChanged, this, [this] { refresh(); });
        refresh();
    }

private:
    RailRow* add(QVBoxLayout* rows, const char* icon, const char* title, Route route) {
        auto* row = new RailRow(QString::fromLatin1(icon), QString::fromUtf8(title));
        connect(row, &QAbstractButton::clicked, this, [this, route] {
            router_.setRoute(route);
            refresh();
        });
        rows->addWidget(row);
        return row;
    }
    void refresh() {
        const auto& profiles = model_.profiles();
        const bool anyBuilt = std::any_of(profiles.begin(), profiles.end(), [](const Profile& p) { return p.isBuilt(); });
        const bool lists = anyBuilt || !model_.projects().empty();
        profiles_->setVisible(lists);
        projects_->setVisible(lists);
        const Route route = router_.route();
        const Route section = router_.section();
        home_->setChecked(route.kind == Kind::home);
        profiles_->setChecked(section.kind == Kind::profiles && route.kind != Kind::library);
        projects_->setChecked(section.kind == Kind::projects);
        settings_->setChecked(route.kind == Kind::settings);
        panel_->setOnPhoto(route.kind == Kind::home);
    }

    model::AppModel& model_;
    model::Router& router_;
    kit::GlassFrame* panel_;
    RailRow* home_;
    RailRow* profiles_;
    RailRow* projects_;
    RailRow* settings_;
};

QString pageTitle(const PageKey& key, const model::AppModel& model) {
    switch (key.kind) {
        case Kind::home: return QString::fromUtf8("Acasă");
        case Kind::settings: return QString::fromUtf8("Setări");
        case Kind::projects: return QString::fromUtf8("Proiecte");
        case Kind::profiles: return QString::fromUtf8("Profiluri AI");
        case Kind::library: return QString::fromUtf8("Biblioteca de cataloage");
        case Kind::project:
        case Kind::reedit:
            if (const Project* p = findProject(model, *key.id)) return QString::fromStdString(p->name);
            break;
        case Kind::profile:
            if (const Profile* p = findProfile(model, *key.id)) return QString::fromStdString(p->name);
            break;
    }
    return {};
}

// A page of a screen not built yet: its title.
QWidget* placeholderPage(const QString& title) {
    auto* page = new QWidget;
    page->setProperty("pageTitle", title);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(32, 30, 32, 28);
    auto* heading = new OneLineTitle(title, 28, QFont::Bold);
    heading->setObjectName("pageTitle");
    outer->addWidget(heading);
    outer->addStretch(1);
    return page;
}

// A sheet of a screen not built yet: its title and the close button.
class PlaceholderSheet final : public kit::GlassSheet {
public:
    PlaceholderSheet(const QString& title, std::function<void()> close) {
        setProperty("sheetTitle", title);
        setFixedSize(560, 360);
        auto* outer = new QVBoxLayout(this);
        // The title keeps clear of the close button in the top-trailing corner.
        outer->setContentsMargins(28, 24, 28 + kit::SheetCloseButton::padding + kit::SheetCloseButton::circle, 24);
        auto* heading = new OneLineTitle(title, 20, QFont::Bold);
        heading->setObjectName("sheetTitle");
        outer->addWidget(heading);
        body = new QVBoxLayout;
        body->setContentsMargins(0, 8, 0, 0);
        outer->addLayout(body);
        outer->addStretch(1);
        closeButton = kit::SheetCloseButton::overlay(this);
        connect(closeButton, &kit::SheetCloseButton::clicked, this, std::move(close));
    }
    QSize sizeHint() const override { return {560, 360}; }
    QVBoxLayout* body;
    kit::SheetCloseButton* closeButton;
};

}  // namespace

PageKey pageKeyFor(const Route& route, const model::AppModel& model) {
    switch (route.kind) {
        case Kind::home: return {0, Kind::home, std::nullopt};
        case Kind::settings: return {0, Kind::settings, std::nullopt};
        case Kind::projects: return {1, Kind::projects, std::nullopt};
        case Kind::project:
        case Kind::reedit:
            if (route.id && findProject(model, *route.id)) return {1, route.kind, route.id};
            return {1, Kind::projects, std::nullopt};
        case Kind::profiles: return {2, Kind::profiles, std::nullopt};
        case Kind::profile:
            if (route.id && findProfile(model, *route.id)) return {2, Kind::profile, route.id};
            return {2, Kind::profiles, std::nullopt};
        case Kind::library: return {3, Kind::library, std::nullopt};
    }
    return {};
}

ContentView::ContentView(model::AppModel& model, model::Router& router, QWidget* parent)
    : kit::AppBackdrop(parent), model_(model), router_(router) {
    setAcceptDrops(true);
    accentIndex_ = kit::selectedAccentIndex();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    sheets_ = new kit::SheetHost(this);
    connect(sheets_, &kit::SheetHost::closeRequested, this, [this](QWidget* shown) {
        for (std::size_t i = 0; i < open_.size(); ++i)
            if (open_[i] == shown) closeSheet(Sheet(i));
    });
    rebuild();

    connect(&router_, &model::Router::routeChanged, this, [this] { updatePage(false); });
    connect(&model_, &model::AppModel::projectsChanged, this, [this] { updatePage(false); });
    connect(&model_, &model::AppModel::profilesChanged, this, [this] { updatePage(false); });
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key != QLatin1String("accentIndex")) return;
        const int accent = kit::selectedAccentIndex();
        if (accent == accentIndex_) return;
        accentIndex_ = accent;
        rebuild();
    });

    connect(&router_, &model::Router::showNewProjectChanged, this, [this] { syncSheet(Sheet::newProject); });
    connect(&router_, &model::Router::showNewProfileChanged, this, [this] { syncSheet(Sheet::newProfile); });
    connect(&router_, &model::Router::showQuickEditChanged, this, [this] { syncSheet(Sheet::quickEdit); });
    connect(&model_, &model::AppModel::profileReadyChanged, this, [this] { syncSheet(Sheet::profileReady); });
    for (Sheet s : {Sheet::newProject, Sheet::newProfile, Sheet::quickEdit, Sheet::profileReady}) syncSheet(s);

    // Only changes count: an error present before the view existed is not shown.
    connect(&model_, &model::AppModel::errorChanged, this, &ContentView::onError);
}

void ContentView::rebuild() {
    // Everything inside the accent's identity starts afresh: rail and page with new state.
    if (body_) {
        layout()->removeWidget(body_);
        body_->hide();
        body_->deleteLater();
    }
    body_ = new QWidget(this);
    auto* row = new QHBoxLayout(body_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    rail_ = new Rail(model_, router_);
    row->addWidget(rail_);
    page_ = nullptr;
    layout()->addWidget(body_);
    updatePage(true);
    sheets_->raise();
}

void ContentView::updatePage(bool force) {
    const PageKey key = pageKeyFor(router_.route(), model_);
    if (!force && page_ && key == pageKey_) return;
    pageKey_ = key;
    auto* row = static_cast<QHBoxLayout*>(body_->layout());
    if (page_) {
        row->removeWidget(page_);
        page_->hide();
        page_->deleteLater();
    }
    page_ = placeholderPage(pageTitle(key, model_));
    row->addWidget(page_, 1);
}

bool ContentView::wants(Sheet sheet) const {
    switch (sheet) {
        case Sheet::newProject: return router_.showNewProject();
        case Sheet::newProfile: return router_.showNewProfile();
        case Sheet::quickEdit: return router_.showQuickEdit();
        case Sheet::profileReady: return model_.profileReady().has_value();
    }
    return false;
}

void ContentView::syncSheet(Sheet sheet) {
    QPointer<QWidget>& slot = open_[std::size_t(sheet)];
    const bool wanted = wants(sheet);
    if (wanted && !slot) {
        slot = makeSheet(sheet);
        sheets_->present(slot);
    } else if (!wanted && slot) {
        sheets_->dismiss(slot);
        slot = nullptr;
    }
}

void ContentView::closeSheet(Sheet sheet) {
    switch (sheet) {
        case Sheet::newProject: router_.setShowNewProject(false); break;
        case Sheet::newProfile: router_.setShowNewProfile(false); break;
        case Sheet::quickEdit: router_.setShowQuickEdit(false); break;
        case Sheet::profileReady: model_.setProfileReady(std::nullopt); break;
    }
}

QWidget* ContentView::makeSheet(Sheet sheet) {
    auto close = [this, sheet] { closeSheet(sheet); };
    switch (sheet) {
        case Sheet::newProject: {
            auto* s = new PlaceholderSheet(QString::fromUtf8("Proiect nou"), close);
            // The sheet takes a dropped item when it opens: a catalog, else the folder of raw photos.
            if (const auto item = router_.droppedItem()) {
                const QString path = QString::fromStdString(item->string());
                s->setProperty("droppedItem", path);
                s->setProperty("catalogMode", QFileInfo(path).suffix().toLower() == QLatin1String("lrcat"));
                s->body->addWidget(text(path, 13, QFont::Normal, true));
                router_.setDroppedItem(std::nullopt);
            }
            return s;
        }
        case Sheet::newProfile: return new PlaceholderSheet(QString::fromUtf8("Profil nou"), close);
        case Sheet::quickEdit: return new PlaceholderSheet(QString::fromUtf8("Editare rapidă"), close);
        case Sheet::profileReady: {
            const Profile profile = *model_.profileReady();
            auto* s = new PlaceholderSheet(QString::fromStdString(profile.name), close);
            auto* start = new kit::KitButton(QString::fromUtf8("Începe să editezi"), kit::ButtonLook::accent);
            start->setObjectName("startEditing");
            connect(start, &QAbstractButton::clicked, this, [this, profile] {
                closeSheet(Sheet::profileReady);
                startWithReadyProfile(profile);
            });
            s->body->addWidget(start, 0, Qt::AlignLeft);
            return s;
        }
    }
    return nullptr;
}

void ContentView::startWithReadyProfile(const Profile& profile) {
    router_.setPreferredProfile(profile.id);
    // The quick-edit sheet opens once the ready sheet has gone.
    QPointer<model::Router> router(&router_);
    QTimer::singleShot(400, &router_, [router] {
        if (router) router->setShowQuickEdit(true);
    });
}

void ContentView::openCreatedProject(const Project& project) { router_.setRoute(Route::project(project.id)); }

bool ContentView::takesDrop(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile()) return false;
    const QString path = urls.first().toLocalFile();
    std::error_code ec;
    if (std::filesystem::is_directory(path.toStdString(), ec)) return true;
    return QFileInfo(path).suffix().toLower() == QLatin1String("lrcat");
}

bool ContentView::handleDrop(const QList<QUrl>& urls) {
    if (!takesDrop(urls)) return false;
    router_.setDroppedItem(std::filesystem::path(urls.first().toLocalFile().toStdString()));
    router_.setShowNewProject(true);
    return true;
}

namespace {
// Tells the drag source what will happen: the proposed action when the rule takes the item, nothing
// otherwise, so a source that deletes after a move never deletes a refused file.
void answerDrag(QDropEvent* event, bool taken) {
    if (taken) {
        event->acceptProposedAction();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}
}  // namespace

void ContentView::dragEnterEvent(QDragEnterEvent* event) {
    answerDrag(event, event->mimeData()->hasUrls() && takesDrop(event->mimeData()->urls()));
}

void ContentView::dragMoveEvent(QDragMoveEvent* event) {
    answerDrag(event, event->mimeData()->hasUrls() && takesDrop(event->mimeData()->urls()));
}

void ContentView::dropEvent(QDropEvent* event) {
    answerDrag(event, event->mimeData()->hasUrls() && handleDrop(event->mimeData()->urls()));
}

void ContentView::onError() {
    const std::optional<std::string> error = model_.error();
    if (!error) return;
    // Cleared at once, so the same text reported again is a change and shows again.
    model_.setError(std::nullopt);
    const QString message = QString::fromStdString(*error);
    QTimer::singleShot(0, this, [this, message] { presentError(message); });
}

void ContentView::presentError(const QString& text) {
    kit::CenteredAlert alert(QString::fromUtf8("Eroare"), text, window());
    alert.addChoice(QString::fromUtf8("Închide"));
    alert.addChoice(QString::fromUtf8("Copiază"));
    const int answer = alertRunner_ ? alertRunner_(alert) : alert.runCentered();
    if (answer == kit::CenteredAlert::firstButton + 1) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    }
}

}  // namespace orvane::shell
