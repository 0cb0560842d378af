#include "app/options/option_levels_model.h"

#include <QStringList>

namespace orvane::options {

OptionLevelsModel::OptionLevelsModel(OptionsBinding& binding, bool showCustomizeLink, QObject* parent)
    : QObject(parent), binding_(binding), showCustomizeLink_(showCustomizeLink) {
    connect(&binding_, &OptionsBinding::changed, this, &OptionLevelsModel::changed);
}

QString OptionLevelsModel::levelTitle(Level level) {
    switch (level) {
        case Level::none: return QStringLiteral("Fără");
        case Level::recommended: return QStringLiteral("Recomandat");
        case Level::complete: return QStringLiteral("Complet");
        case Level::custom: return QStringLiteral("Personalizat");
    }
    return {};
}

std::vector<LevelPill> OptionLevelsModel::pills() const {
    std::vector<LevelPill> items;
    for (Level l : {Level::none, Level::recommended, Level::complete}) items.push_back({l, levelTitle(l)});
    if (level() == Level::custom) items.push_back({Level::custom, levelTitle(Level::custom)});
    return items;
}

QString OptionLevelsModel::summary() const {
    const LevelOptions o = levelOptions(binding_.defaults());
    QStringList phrases;
    if (o.profile) phrases << QStringLiteral("Corecție obiectiv");
    if (o.noise) phrases << QStringLiteral("Reducere zgomot");
    if (o.straighten) phrases << QStringLiteral("Îndreptare");
    if (o.skin) phrases << QStringLiteral("Netezire piele");
    if (o.subject) phrases << QStringLiteral("Mască subiect");
    if (phrases.isEmpty()) return QStringLiteral("Nicio funcție suplimentară");
    return phrases.join(QStringLiteral(", "));
}

void OptionLevelsModel::toggleCustomize() {
    customize_ = !customize_;
    emit changed();
}

}  // namespace orvane::options
