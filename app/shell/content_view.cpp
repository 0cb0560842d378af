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
#include "app/kit/tooltips.h"
#include "app/guide/feedback_sheet.h"
#include "app/guide/guide_sheet.h"
#include "app/home/home_view.h"
#include "app/home/welcome_sheet.h"
#include "app/library/learn_sheet.h"
#include "app/library/library_view.h"
#include "app/model/updater.h"
#include "app/profiles/new_profile_sheet.h"
#include "app/profiles/profiles_hub.h"
#include "app/profiles/profiles_list.h"
#include "app/profiles/profile_detail_view.h"
#include "app/profiles/profile_ready_sheet.h"
#include "app/projects/new_project_sheet.h"
#include "app/projects/processing_view.h"
#include "app/projects/quick_edit_sheet.h"
#include "app/projects/reedit_page.h"
#include "app/projects/project_page_header.h"
#include "app/projects/projects_list.h"
#include "app/rail/rail.h"
#include "app/settings/settings_page.h"

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
            if (!key.id) return QString::fromUtf8("Profiluri AI");
            if (const Profile* p = findProfile(model, *key.id)) return QString::fromStdString(p->name);
            break;
    }
    return {};
}

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
            // A profile that is not there: the plain list, without the hub's tabs.
            if (route.id && findProfile(model, *route.id)) return {2, Kind::profile, route.id};
            return {2, Kind::profile, std::nullopt};
        // One hub for both routes: it follows a change between them with its tabs.
        case Kind::library: return {2, Kind::profiles, std::nullopt};
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
    // The page's tips are drawn over the whole window, above the rail and the page; the rail's own are
    // drawn in place.
    tips_ = new kit::TipHost(this);

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
    connect(&router_, &model::Router::showWelcomeChanged, this, [this] { syncSheet(Sheet::welcome); });
    connect(&router_, &model::Router::showGuideChanged, this, [this] { syncSheet(Sheet::guide); });
    connect(&router_, &model::Router::showFeedbackChanged, this, [this] { syncSheet(Sheet::feedback); });
    for (Sheet s : {Sheet::newProject, Sheet::newProfile, Sheet::quickEdit, Sheet::profileReady, Sheet::welcome,
                    Sheet::guide, Sheet::feedback})
        syncSheet(s);

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
    rail_ = new rail::Rail(model_, router_, model::Updater::current());
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
    page_ = makePage(key);
    kit::setTipsHosted(page_, true);
    row->addWidget(page_, 1);
}

QWidget* ContentView::makePage(const PageKey& key) {
    const QString title = pageTitle(key, model_);
    QWidget* page = nullptr;
    if (key.kind == Kind::home) {
        page = new home::HomeView(model_, router_);
    } else if (key.kind == Kind::profiles) {
        const auto tab = router_.route().kind == Kind::library ? profiles::HubTab::library : profiles::HubTab::profiles;
        page = new profiles::ProfilesHubView(model_, router_, tab, [this] { return libraryPage(); });
    } else if (key.kind == Kind::profile) {
        const Profile* profile = key.id ? findProfile(model_, *key.id) : nullptr;
        if (profile) page = new profiles::ProfileDetailPage(model_, router_, *profile);
        else page = new profiles::ProfilesListView(model_, router_);
    } else if (key.kind == Kind::settings) {
        page = new settings::SettingsPage(model_, router_, model::Updater::current());
    } else if (const Project* edited = key.kind == Kind::reedit && key.id ? findProject(model_, *key.id) : nullptr) {
        page = new projects::ReeditPage(model_, router_, model_.makeJob(*edited));
    } else if (const Project* project = key.kind == Kind::project && key.id ? findProject(model_, *key.id) : nullptr) {
        // The project's header above its processing screen.
        projects::ProcessingViewServices services;
        services.learnSheet = [](model::AppModel& app, const Project& p, std::optional<std::filesystem::path> catalog,
                                 std::optional<std::set<std::string>> paths, std::function<void(int)> completion,
                                 std::function<void()> close) -> QWidget* {
            auto* sheet = new library::LearnSheet(app, p, std::move(catalog), std::move(paths), std::move(completion));
            QObject::connect(sheet, &library::LearnSheet::dismissRequested, sheet, std::move(close), Qt::QueuedConnection);
            return sheet;
        };
        page = new projects::ProjectPage(model_, router_, model_.makeJob(*project), std::move(services));
    } else {
        page = new projects::ProjectsListView(model_, router_);
    }
    page->setProperty("pageTitle", title);
    return page;
}

QWidget* ContentView::libraryPage() {
    auto* page = new library::LibraryView(model_, router_, sheets_);
    page->setProperty("pageTitle", pageTitle({2, Kind::library, std::nullopt}, model_));
    return page;
}

bool ContentView::wants(Sheet sheet) const {
    switch (sheet) {
        case Sheet::newProject: return router_.showNewProject();
        case Sheet::newProfile: return router_.showNewProfile();
        case Sheet::quickEdit: return router_.showQuickEdit();
        case Sheet::profileReady: return model_.profileReady().has_value();
        case Sheet::welcome: return router_.showWelcome();
        case Sheet::guide: return router_.showGuide();
        case Sheet::feedback: return router_.showFeedback();
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
        case Sheet::welcome: router_.setShowWelcome(false); break;
        case Sheet::guide: router_.setShowGuide(false); break;
        case Sheet::feedback: router_.setShowFeedback(false); break;
    }
}

QWidget* ContentView::makeSheet(Sheet sheet) {
    auto close = [this, sheet] { closeSheet(sheet); };
    switch (sheet) {
        case Sheet::newProject:
            // The sheet takes a dropped item from the router when it opens.
            return new projects::NewProjectSheet(model_, router_, [this](const Project& p) { openCreatedProject(p); });
        case Sheet::newProfile: return new profiles::NewProfileSheet(model_, router_);
        case Sheet::quickEdit: return new projects::QuickEditSheet(model_, router_);
        case Sheet::welcome: return new home::WelcomeSheet(home::welcomeSteps(), close);
        case Sheet::guide:
            // The rail follows the chosen step once the guide has closed.
            return new guide::GuideSheet([this](guide::GuideDestination d) { router_.setGuideDestination(d); }, close);
        case Sheet::feedback:
            return new guide::FeedbackSheet(guide::FeedbackConfig::built(), guide::FeedbackServices::standard(),
                                            model_.sharedMainExecutor(), close);
        case Sheet::profileReady: {
            const Profile profile = *model_.profileReady();
            return new profiles::ProfileReadySheet(profile, [this, profile] { startWithReadyProfile(profile); }, close);
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
