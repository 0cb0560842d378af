#include "app/kit/localization.h"

#include <QHash>

#include "app/kit/kit_settings.h"

namespace orvane::kit {

namespace {
QHash<QString, QString>& englishTable() {
    static QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        // The kit's own texts.
        const std::pair<const char*, const char*> kit[] = {
            {"Înapoi la %1", "Back to %1"},
            {"Revino la valoarea de bază", "Back to the base value"},
            {"Sortare", "Sort"},
            {"Recente", "Recent"},
            {"Nume", "Name"},
            {"Din catalog Lightroom", "From a Lightroom catalog"},
            {"Din folder RAW", "From a RAW folder"},
            {"Închide", "Close"},
        };
        for (const auto& [ro, en] : kit) t.insert(QString::fromUtf8(ro), QString::fromUtf8(en));
        return t;
    }();
    return table;
}
}  // namespace

bool englishInterface() { return KitSettings::instance().defaults().textValue("language") == std::optional<std::string>("en"); }

QString localized(const QString& romanian) {
    if (!englishInterface()) return romanian;
    const auto& table = englishTable();
    auto it = table.constFind(romanian);
    return it == table.constEnd() ? romanian : *it;
}

QString localized(const char* romanianUtf8) { return localized(QString::fromUtf8(romanianUtf8)); }

QString localizedCount(const char* romanianUtf8, long long n) {
    QString text = localized(romanianUtf8);
    const qsizetype at = text.indexOf(QLatin1String("%lld"));
    if (at >= 0) text.replace(at, 4, QString::number(n));
    return text;
}

void addEnglishTexts(std::initializer_list<std::pair<const char*, const char*>> texts) {
    auto& table = englishTable();
    for (const auto& [ro, en] : texts) table.insert(QString::fromUtf8(ro), QString::fromUtf8(en));
}

}  // namespace orvane::kit
