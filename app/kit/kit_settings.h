#pragma once
// The kit's live view of the appearance settings in the user-defaults store: typed reads with the
// registry's defaults, and a signal when one of them changes.
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "core/base/defaults.h"

namespace orvane::kit {

class KitSettings : public QObject {
    Q_OBJECT
public:
    // Bound to the process-wide store (orvane::userDefaults()) on first use.
    static KitSettings& instance();
    // Follows another store from now on (the gallery and the tests install an in-memory one).
    void rebind(std::shared_ptr<Defaults> defaults);
    Defaults& defaults() const { return *defaults_; }

    // Only the exact value "flat" selects the flat look.
    bool isFlat() const;
    // "cardTransparency.light" / ".dark"; 1.0 when absent.
    double cardTransparency(bool dark) const;
    // "backdropIntensity.light" / ".dark" as stored (1.0 and 0.0 when absent); not yet limited.
    double backdropIntensity(bool dark) const;
    // "appearance": "auto", "light" or "dark".
    std::string appearance() const;

signals:
    // A watched key changed; delivered on the thread of this object.
    void changed(const QString& key);

private:
    KitSettings();
    ~KitSettings() override;
    void unobserveAll();
    double number(const std::string& key) const;

    std::shared_ptr<Defaults> defaults_;
    std::vector<Defaults::ObserverId> observers_;
};

}  // namespace orvane::kit
