#pragma once
// Light or dark: the "appearance" setting, and for "auto" the desktop's colour-scheme preference
// (the freedesktop settings portal), else the lightness of the platform palette.
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QDBusVariant;

namespace orvane::kit {

// The portal's "color-scheme": 0 no preference, 1 prefer dark, 2 prefer light.
bool resolveDarkAppearance(const std::string& setting, std::optional<std::uint32_t> portalColorScheme,
                           bool paletteIsDark);

class Appearance : public QObject {
    Q_OBJECT
public:
    static Appearance& instance();
    bool isDark() const;
    // Pins the appearance (tests, the gallery's screenshots); nullopt follows the settings again.
    void setOverride(std::optional<bool> dark);

signals:
    void changed();

private slots:
    void onPortalSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    Appearance();
    void refresh();
    void readPortal();

    std::optional<bool> override_;
    std::optional<std::uint32_t> portalColorScheme_;
    bool paletteIsDark_ = false;
    bool dark_ = false;
};

}  // namespace orvane::kit
