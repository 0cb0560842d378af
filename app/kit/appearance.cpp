#include "app/kit/appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPalette>

#include "app/kit/kit_settings.h"

namespace orvane::kit {

namespace {
const char* const portalService = "org.freedesktop.portal.Desktop";
const char* const portalPath = "/org/freedesktop/portal/desktop";
const char* const portalInterface = "org.freedesktop.portal.Settings";
const char* const appearanceNamespace = "org.freedesktop.appearance";
const char* const colorSchemeKey = "color-scheme";

// The portal wraps the value in one or two variants depending on its version.
std::optional<std::uint32_t> colorSchemeOf(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (!ok) return std::nullopt;
    return scheme;
}
}  // namespace

bool resolveDarkAppearance(const std::string& setting, std::optional<std::uint32_t> portalColorScheme,
                           bool paletteIsDark) {
    if (setting == "dark") return true;
    if (setting == "light") return false;
    if (portalColorScheme == 1u) return true;
    if (portalColorScheme == 2u) return false;
    return paletteIsDark;
}

Appearance& Appearance::instance() {
    static Appearance* appearance = new Appearance;  // lives as long as the process
    return *appearance;
}

Appearance::Appearance() {
    // The palette before the application styles anything: the platform theme's own.
    if (qGuiApp) paletteIsDark_ = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String("appearance")) refresh();
    });
    readPortal();
    auto bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.connect(portalService, portalPath, portalInterface, "SettingChanged", this,
                    SLOT(onPortalSettingChanged(QString, QString, QDBusVariant)));
    refresh();
}

void Appearance::readPortal() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    auto call = QDBusMessage::createMethodCall(portalService, portalPath, portalInterface, "Read");
    call << QString::fromLatin1(appearanceNamespace) << QString::fromLatin1(colorSchemeKey);
    // Short: a desktop without the portal must not hold up the first window.
    QDBusReply<QVariant> reply = bus.call(call, QDBus::Block, 300);
    if (reply.isValid()) portalColorScheme_ = colorSchemeOf(reply.value());
}

void Appearance::onPortalSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
    if (nameSpace != QLatin1String(appearanceNamespace) || key != QLatin1String(colorSchemeKey)) return;
    portalColorScheme_ = colorSchemeOf(QVariant::fromValue(value));
    refresh();
}

void Appearance::refresh() {
    const bool dark = override_ ? *override_
                                : resolveDarkAppearance(KitSettings::instance().appearance(), portalColorScheme_,
                                                        paletteIsDark_);
    if (dark == dark_) return;
    dark_ = dark;
    emit changed();
}

bool Appearance::isDark() const { return dark_; }

void Appearance::setOverride(std::optional<bool> dark) {
    override_ = dark;
    refresh();
}

}  // namespace orvane::kit
