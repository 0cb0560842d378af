#pragma once
// The state of the new-profile sheet: the mode (choice, professional, instant), the name, the style
// (automatic, a preset file or neutral), the training catalogs with their smart-preview counts, and the
// two creations. The catalog scan, the counts, the automatic style's build and the creation of the
// profile run off the interface thread; their results come back through this object and are dropped
// once the sheet has closed (a profile made meanwhile is removed again). Main thread only.
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/uuid.h"
#include "core/catalog/catalog_finder.h"
#include "core/catalog/catalog_records.h"
#include "core/style/profile.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::profiles {

// What the sheet asks of the world; standard() holds the real ones, tests hand in their own.
struct NewProfileServices {
    using Work = std::function<void()>;
    using Path = std::filesystem::path;
    std::function<std::vector<FoundCatalog>()> scan;
    // A Lightroom catalog's counts (its smart previews), nothing when it cannot be read.
    std::function<std::optional<CatalogStats>(const Path& catalog)> analyze;
    // The automatic style from imported catalogs or from catalog files; a temporary file the caller owns.
    std::function<Path(const std::vector<TrainingCatalog>&, const std::string& name)> buildFromCatalogs;
    std::function<Path(const std::vector<Path>&, const std::string& name)> buildFromFiles;
    // A preset's own name; throws for a file that is not a Lightroom preset.
    std::function<std::string(const Path& preset)> presetName;
    // A new, unbuilt profile with a copy of the preset (Profile::create).
    std::function<Profile(const std::string& name, const Path& preset, const std::optional<std::string>& presetName)>
        createProfile;
    std::function<void(const Profile&)> saveProfile;
    // An instant profile on the base model; throws AppModel::MissingBaseModel without one.
    std::function<Profile(const std::string& name, const Path& preset)> createInstant;
    // Runs work off the interface thread (the pool the user waits for).
    std::function<void(Work)> background;
    static NewProfileServices standard();
};

class NewProfileModel final : public QObject {
    Q_OBJECT

public:
    enum class Mode { choose, pro, instant };
    static constexpr int maxFoundCatalogs = 6;
    static constexpr int readyDelayMs = 400;
    static constexpr int goodPhotoCount = 500;

    NewProfileModel(model::AppModel& app, model::Router& router,
                    NewProfileServices services = NewProfileServices::standard(), QObject* parent = nullptr);
    // A sheet closed without creating gives back what the router handed it.
    ~NewProfileModel() override;

    // --- state ---
    Mode mode() const { return mode_; }
    const QString& name() const { return name_; }
    void setName(const QString& name);
    const std::set<Uuid>& chosen() const { return chosen_; }
    const std::optional<std::filesystem::path>& presetURL() const { return presetURL_; }
    const QString& presetTitle() const { return presetTitle_; }
    bool autoPreset() const { return autoPreset_; }
    bool customPreset() const { return customPreset_; }
    bool scanning() const { return scanning_; }
    const std::vector<std::filesystem::path>& foundCatalogs() const { return foundCatalogs_; }
    bool dropTargeted() const { return dropTargeted_; }
    void setDropTargeted(bool targeted);
    bool fromPreviews() const { return fromPreviews_; }
    void setFromPreviews(bool on);
    const std::map<Uuid, std::int64_t>& previewCounts() const { return previewCounts_; }
    bool counting() const { return counting_ > 0; }
    // A creation (with its preset build) is under way: the buttons wait.
    bool creating() const { return creating_; }
    bool closed() const { return closed_; }

    // --- derived ---
    bool hasStyleSource() const { return presetURL_.has_value() || autoPreset_; }
    bool nameIsValid() const;
    bool anyCatalogMissingRaws() const;
    bool hasCatalogs() const;
    QSize sheetSize() const;
    QString subtitle() const;
    std::int64_t trainableCount(const TrainingCatalog& catalog) const;
    std::int64_t chosenPhotoCount() const;
    // The imported catalogs in the "catalogSort" order.
    std::vector<TrainingCatalog> listedCatalogs() const;
    int catalogListHeight() const;
    bool showsSortPicker() const;
    // The count line: the text after the number, and whether it warns.
    QString countLineText() const;
    bool countLineWarns() const;
    // Another profile is training: a professional profile could not start its own training now.
    bool otherTrainingRuns() const;
    bool canContinue() const;
    bool canCreatePro() const;
    bool canCreateInstant() const;
    // The style card: its symbol and caption.
    QString styleSymbol() const;
    QString styleCaption() const;

    // --- actions ---
    // Starts the scan, chooses every imported catalog, reads the router's hand-over and, when asked,
    // goes straight to the professional step. Runs once when the sheet comes on screen.
    void prepareOnAppear();
    void choosePro();
    void chooseInstant();
    void goBack();
    void useAutomaticStyle();
    void useNeutralStyle();
    // Reads the file as a Lightroom preset; a bad one leaves the style and reports the error.
    bool loadPresetFile(const std::filesystem::path& file);
    // The drop zone: the first ".xmp" (any case) of the dropped files.
    bool dropPresetFiles(const QStringList& paths);
    void returnToAutomatic();
    // A catalog with nothing to train can be unticked, never ticked.
    void toggleCatalog(const Uuid& id);
    void countSmartPreviews();
    // "Creează și antrenează": the profile with its catalogs and engine, then its page and its training.
    void createProfile();
    // "Continuă": hands the name and style to the router, then the library opens its import.
    void continueToLibrary();
    // "Creează profilul": the instant profile, its page, and the ready sheet 0.4 s later.
    void createInstantProfile();
    // Closes the sheet (close button, "Mai târziu", Escape).
    void dismiss();

signals:
    void changed();
    // The mode changed: the sheet takes its new size.
    void modeChanged();

private:
    template <class R>
    void offload(std::function<R()> work, std::function<void(R)> done);
    void setMode(Mode mode);
    void scanEnded(std::vector<FoundCatalog> found);
    void buildAutomaticThenCreateInstant();
    void createInstantWith(const std::filesystem::path& preset, bool temporary);
    void creationFailed(const std::string& message);
    // A profile made in the background, or the text of its failure.
    struct Made;
    // Whether a made profile may go on to be shown: not when the sheet closed meanwhile (the profile is
    // then removed) nor after a failure (reported).
    static bool arrived(const QPointer<NewProfileModel>& self, const Made& made);
    void clearHandOver();
    std::vector<TrainingCatalog> chosenCatalogs() const;

    model::AppModel& app_;
    model::Router& router_;
    NewProfileServices services_;
    Mode mode_ = Mode::choose;
    QString name_;
    std::set<Uuid> chosen_;
    std::optional<std::filesystem::path> presetURL_;
    QString presetTitle_;
    bool autoPreset_ = false;
    bool customPreset_ = false;
    bool scanning_ = false;
    std::vector<std::filesystem::path> foundCatalogs_;
    bool dropTargeted_ = false;
    bool fromPreviews_ = false;
    std::map<Uuid, std::int64_t> previewCounts_;
    int counting_ = 0;
    bool creating_ = false;
    bool instantWaitsForScan_ = false;
    bool closed_ = false;
    bool handOverUsed_ = false;  // the sheet took a hand-over from the router when it opened
    bool handOverSpent_ = false;  // created, or handed a new one over: the router's fields stay
};

}  // namespace orvane::profiles
