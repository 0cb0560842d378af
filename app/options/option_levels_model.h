#pragma once
// The level picker "Cât de mult să facem automat?": the level of the five level options derived from
// the store at every read (so the panel below and any other writer move it at once), the pills, the
// summary line and the customize link.
#include <QObject>
#include <QString>

#include <vector>

#include "app/options/option_settings.h"
#include "app/options/options_binding.h"

namespace orvane::options {

struct LevelPill {
    Level level;
    QString title;
};

class OptionLevelsModel : public QObject {
    Q_OBJECT
public:
    OptionLevelsModel(OptionsBinding& binding, bool showCustomizeLink, QObject* parent = nullptr);

    Level level() const { return currentOptionLevel(binding_.defaults()); }
    void setLevel(Level level) { applyOptionLevel(binding_.defaults(), level); }
    // "Fără", "Recomandat", "Complet", and "Personalizat" only while the level is custom.
    std::vector<LevelPill> pills() const;
    // The phrases of the options that are on joined by ", ", or "Nicio funcție suplimentară".
    QString summary() const;
    bool showCustomizeLink() const { return showCustomizeLink_; }
    bool customize() const { return customize_; }
    void toggleCustomize();

    static QString levelTitle(Level level);

signals:
    void changed();

private:
    OptionsBinding& binding_;
    const bool showCustomizeLink_;
    bool customize_ = false;
};

}  // namespace orvane::options
