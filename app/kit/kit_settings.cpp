#include "app/kit/kit_settings.h"

#include <QThread>

namespace orvane::kit {

namespace {
// The keys whose change restyles a painted surface, relabels a text or re-sorts a catalog list.
const char* const watchedKeys[] = {"appearance",
                                   "language",
                                   "catalogSort",
                                   "style",
                                   "accentIndex",
                                   "cardTransparency.light",
                                   "cardTransparency.dark",
                                   "backdropIntensity.light",
                                   "backdropIntensity.dark"};

double registryDefault(const std::string& key) {
    const DefaultsKey* entry = DefaultsKeys::find(key);
    return entry && entry->whenAbsent.is_number() ? entry->whenAbsent.get<double>() : 0.0;
}
}  // namespace

KitSettings& KitSettings::instance() {
    static KitSettings* settings = new KitSettings;  // lives as long as the process
    return *settings;
}

KitSettings::KitSettings() { rebind(userDefaults()); }

KitSettings::~KitSettings() { unobserveAll(); }

void KitSettings::unobserveAll() {
    if (defaults_)
        for (auto id : observers_) defaults_->unobserve(id);
    observers_.clear();
}

void KitSettings::rebind(std::shared_ptr<Defaults> defaults) {
    unobserveAll();
    defaults_ = defaults ? std::move(defaults) : std::make_shared<FileDefaults>();
    for (const char* key : watchedKeys) {
        observers_.push_back(defaults_->observe(key, [this](const std::string& k) {
            const QString name = QString::fromStdString(k);
            // A write from a worker thread reaches the widgets on the interface thread.
            if (QThread::currentThread() == thread())
                emit changed(name);
            else
                QMetaObject::invokeMethod(this, [this, name] { emit changed(name); }, Qt::QueuedConnection);
        }));
    }
    for (const char* key : watchedKeys) emit changed(QString::fromLatin1(key));
}

bool KitSettings::isFlat() const { return defaults_->textValue("style") == std::optional<std::string>("flat"); }

double KitSettings::number(const std::string& key) const {
    return defaults_->numberValue(key).value_or(registryDefault(key));
}

double KitSettings::cardTransparency(bool dark) const {
    return number(dark ? "cardTransparency.dark" : "cardTransparency.light");
}

double KitSettings::backdropIntensity(bool dark) const {
    return number(dark ? "backdropIntensity.dark" : "backdropIntensity.light");
}

std::string KitSettings::appearance() const { return defaults_->textValue("appearance").value_or("auto"); }

}  // namespace orvane::kit
