#include "core/base/defaults.h"

#include <cmath>
#include <system_error>

#include "core/base/atomic_file.h"
#include "core/base/user_folders.h"

namespace orvane {

namespace DefaultsKeys {

const std::vector<DefaultsKey>& settings() {
    using T = DefaultsType;
    static const std::vector<DefaultsKey> keys = {
        {"appearance", T::text, "auto", "light or dark appearance: auto, light, dark"},
        {"style", T::text, "glass", "visual style of cards: glass, flat"},
        {"accentIndex", T::integer, 3, "accent colour, palette entry 0 to 6"},
        {"language", T::text, "ro", "interface language: ro, en"},
        {"openOptionsOnStart", T::boolean, true, "show the editing options before a run starts"},
        {"reopenLightroom", T::boolean, true, "reopen Lightroom Classic after a catalog write"},
        {"backupKeep", T::integer, 3, "catalog backups kept per catalog (1 to 10)"},
        {"backupLimitGB", T::integer, nullptr, "size limit of the catalog backup folder in GiB; 0 or less: none"},
        {"includeSubfolders", T::boolean, true, "include subfolders when collecting raw files"},
        {"lightroomPath", T::text, "", "Lightroom Classic program to open; empty: find it"},
        {"autoUpdateCheck", T::boolean, true, "quiet update check when the main window opens"},
        {"notifyDone", T::boolean, true, "notify when an editing job finishes"},
        {"showBeta", T::boolean, false, "show the features marked beta"},
        {"updateFeed", T::text, "", "override of the update feed address; empty: the default feed"},
        {"backdropIntensity.light", T::number, 1.0, "background gradient strength, light appearance"},
        {"backdropIntensity.dark", T::number, 0.0, "background gradient strength, dark appearance"},
        {"cardTransparency.light", T::number, 1.0, "card transparency, light appearance"},
        {"cardTransparency.dark", T::number, 1.0, "card transparency, dark appearance"},
        {"prioritizeEditing", T::boolean, false, "photo work uses the fast worker count and the high-priority queue"},
        {"workers", T::integer, 0, "photos processed in parallel; 0: automatic"},
        {"keepAwake", T::boolean, true, "keep the computer awake while work runs"},
        {"rememberOptions", T::boolean, false, "new edits start with the last chosen options"},
        {"option.straighten", T::boolean, false, "editing option: straighten"},
        {"option.profile", T::boolean, false, "editing option: lens profile correction"},
        {"option.noise", T::boolean, false, "editing option: noise reduction"},
        {"option.teeth", T::boolean, false, "editing option: teeth whitening"},
        {"option.teeth.amount", T::number, 42, "teeth whitening amount"},
        {"option.skin", T::boolean, false, "editing option: skin smoothing"},
        {"option.facelevel", T::boolean, false, "editing option: face levelling"},
        {"option.facelevel.amount", T::number, 70, "face levelling amount"},
        {"option.smart", T::boolean, false, "editing option: smart reframe"},
        {"option.skin.texture", T::number, 10, "skin smoothing: texture"},
        {"option.skin.clarity", T::number, 10, "skin smoothing: clarity"},
        {"option.skin.sharpness", T::number, 10, "skin smoothing: sharpness"},
        {"option.crop.mode", T::text, "none", "crop mode of new projects"},
        {"option.crop.ratio", T::text, "3:2", "crop ratio, width:height"},
        {"option.crop.w", T::number, 3.0, "custom crop width"},
        {"option.crop.h", T::number, 2.0, "custom crop height"},
    };
    return keys;
}

const std::vector<std::string>& resetExtras() {
    static const std::vector<std::string> keys = {"workers", "keepAwake", "rememberOptions", "window.sizedV1",
                                                  "defaultsClassicAuto"};
    return keys;
}

namespace {
const DefaultsKey* findIn(const std::vector<DefaultsKey>& keys, const std::string& key) {
    for (const auto& k : keys)
        if (key == k.key) return &k;
    return nullptr;
}
}  // namespace

const DefaultsKey* find(const std::string& key) { return findIn(settings(), key); }

const std::vector<DefaultsKey>& interfaceState() {
    static const std::vector<DefaultsKey> keys = {
        {catalogSort, DefaultsType::text, "recent", "order of every catalog list: recent (newest first) or name"},
        {libraryProfile, DefaultsType::text, "", "the profile that imported catalogs join and the library improves"},
        {skippedUpdateVersion, DefaultsType::text, nullptr, "release key (version.build) the user chose to skip"},
    };
    return keys;
}

const DefaultsKey* findInterfaceState(const std::string& key) { return findIn(interfaceState(), key); }

}  // namespace DefaultsKeys

std::optional<bool> Defaults::boolValue(const std::string& key) const {
    auto v = value(key);
    if (v && v->is_boolean()) return v->get<bool>();
    return std::nullopt;
}

std::optional<std::int64_t> Defaults::intValue(const std::string& key) const {
    auto v = value(key);
    if (!v || !v->is_number()) return std::nullopt;
    try {
        return json::decode<std::int64_t>(*v);
    } catch (const json::DecodeError&) {
        return std::nullopt;
    }
}

std::optional<double> Defaults::numberValue(const std::string& key) const {
    auto v = value(key);
    if (v && v->is_number()) return v->get<double>();
    return std::nullopt;
}

std::optional<std::string> Defaults::textValue(const std::string& key) const {
    auto v = value(key);
    if (v && v->is_string()) return v->get<std::string>();
    return std::nullopt;
}

FileDefaults::FileDefaults(std::filesystem::path file) : file_(std::move(file)) {
    if (file_.empty()) return;
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return;
    try {
        Json j = json::parse(readWholeFile(file_));
        if (!j.is_object()) throw json::DecodeError(json::Path{}, "se aștepta un obiect");
        for (auto it = j.begin(); it != j.end(); ++it) values_[it.key()] = it.value();
    } catch (const std::exception&) {
        // An unreadable settings file is kept aside at the first save, never silently overwritten.
        unreadableFileKept_ = true;
    }
}

std::filesystem::path FileDefaults::standardPath() { return UserFolders::config() / "Vendrel" / "defaults.json"; }

std::optional<Json> FileDefaults::value(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void FileDefaults::set(const std::string& key, const Json& value) {
    if (value.is_number_float() && !std::isfinite(value.get<double>()))
        throw json::EncodeError("valoare nefinită pentru setarea „" + key + "”");
    {
        std::lock_guard lock(mutex_);
        auto it = values_.find(key);
        if (it != values_.end() && it->second == value && it->second.type() == value.type()) return;
        values_[key] = value;
        persistLocked();
    }
    notify(key);
}

void FileDefaults::remove(const std::string& key) {
    {
        std::lock_guard lock(mutex_);
        if (values_.erase(key) == 0) return;
        persistLocked();
    }
    notify(key);
}

Defaults::ObserverId FileDefaults::observe(const std::string& key, Observer observer) {
    std::lock_guard lock(mutex_);
    ObserverId id = nextId_++;
    observers_.push_back({id, key, std::move(observer)});
    return id;
}

void FileDefaults::unobserve(ObserverId id) {
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [id](const Entry& e) { return e.id == id; });
}

std::optional<std::string> FileDefaults::lastSaveError() const {
    std::lock_guard lock(mutex_);
    return lastSaveError_;
}

void FileDefaults::persistLocked() {
    if (file_.empty()) return;
    try {
        std::filesystem::create_directories(file_.parent_path());
        if (unreadableFileKept_) {
            auto aside = file_;
            aside += ".unreadable";
            std::filesystem::copy_file(file_, aside, std::filesystem::copy_options::overwrite_existing);
            unreadableFileKept_ = false;
        }
        Json o = Json::object();
        for (const auto& [k, v] : values_) o[k] = v;
        writeFileAtomically(file_, json::dump(o));
        lastSaveError_.reset();
    } catch (const std::exception& e) {
        lastSaveError_ = e.what();
    }
}

void FileDefaults::notify(const std::string& key) {
    std::vector<Observer> toCall;
    {
        std::lock_guard lock(mutex_);
        for (const auto& e : observers_)
            if (e.key == key) toCall.push_back(e.observer);
    }
    for (auto& f : toCall) f(key);
}

namespace {
std::mutex& globalMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<Defaults>& globalDefaults() {
    static std::shared_ptr<Defaults> d;
    return d;
}
}  // namespace

std::shared_ptr<Defaults> userDefaults() {
    std::lock_guard lock(globalMutex());
    auto& d = globalDefaults();
    if (!d) d = std::make_shared<FileDefaults>(FileDefaults::standardPath());
    return d;
}

void setUserDefaults(std::shared_ptr<Defaults> defaults) {
    std::lock_guard lock(globalMutex());
    globalDefaults() = std::move(defaults);
}

}  // namespace orvane
