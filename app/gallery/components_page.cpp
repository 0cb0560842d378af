// The gallery's components page: every view screens are composed of, in one still.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/gallery/gallery_parts.h"
#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/badges.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/help_dot.h"
#include "app/kit/kit_settings.h"
#include "app/kit/page_header.h"
#include "app/kit/path_bar.h"
#include "app/kit/pill_picker.h"
#include "app/kit/slider.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"

namespace orvane::gallery {

using namespace orvane::kit;

namespace {

QWidget* row(std::initializer_list<QWidget*> items, int spacing, bool stretch = true) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* item : items) layout->addWidget(item, 0, Qt::AlignVCenter);
    if (stretch) layout->addStretch(1);
    return box;
}

QWidget* column(std::initializer_list<QWidget*> items, int spacing) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* item : items) layout->addWidget(item);
    return box;
}

QWidget* fixedWidth(QWidget* w, int width) {
    w->setFixedWidth(width);
    return w;
}

QWidget* cardsAndStatus() {
    auto* ring = new ProgressRing(0.62, 8, QStringLiteral("186/300"));
    ring->setFixedSize(96, 96);
    auto* bars = column({labelled(fixedWidth(new PillBar(0.8, StatusKind::ok), 190), "PillBar · ok"),
                         labelled(fixedWidth(new PillBar(0.45, StatusKind::warn), 190), "PillBar · warn (accent)"),
                         labelled(fixedWidth(new PillBar(0.0, StatusKind::bad), 190), "PillBar · bad, 0")},
                        6);
    auto* pills = column({row({new StatusPill("Exportat", QString("checkmark.circle.fill"), StatusKind::ok),
                               new StatusPill("În lucru", std::nullopt, StatusKind::warn),
                               new StatusPill("Eșuat", QString("exclamationmark.triangle.fill"), StatusKind::bad)},
                              6),
                          row({new StatusPill("Accent", std::nullopt, StatusKind::accent),
                               new StatusPill("De exportat", std::nullopt, StatusKind::info),
                               new StatusPill("În așteptare", std::nullopt, StatusKind::neutral)},
                              6)},
                         6);
    auto* card = new Card(QString("Procesare"), QString("sparkles"));
    card->addContent(row({ring, bars}, 18));
    card->addContent(pills);
    return card;
}

QWidget* tilesAndBadges() {
    auto* dot = new ProgressRing(0.004, 5);
    dot->setFixedSize(44, 44);
    auto* badge = new LrBadge(22);
    return row({labelled(new IconTile("photo.stack", 40, true), "plin"), labelled(new IconTile("slider.horizontal.3", 40, false), "gol"),
                labelled(new IconTile("sparkles", 26, false), "26"), labelled(badge, "LrBadge"), labelled(new LrBadge(16), "16"),
                labelled(new AppIconView(40), "AppIconView"), labelled(dot, "0 %")},
               14);
}

QWidget* tips() {
    auto* oneLine = new TipBubble(QString::fromUtf8("Înapoi la Proiecte"), std::nullopt);
    const QString longText = QString::fromUtf8(
        "Sfaturile lungi, de 61 de caractere sau mai multe, se rup pe rânduri într-un balon de 280 de puncte.");
    auto* wrapped = new TipBubble(longText, explanatoryWrapWidth(longText));
    auto* hint = new HintBubble(QString::fromUtf8("Profilul învață din corecturile pe care le-ai făcut în Lightroom."), 250);
    // The bubbles carry room for their shadows; the captions sit close under the bubbles themselves.
    return column({labelled(oneLine, "QuickTip · un rând"), labelled(wrapped, "QuickTip · rupt la 280"),
                   labelled(hint, "QuickHint")},
                  0);
}

QWidget* sliders(std::vector<QWidget*>& hovered) {
    auto* tone = new ToolGroup(QString::fromUtf8("Ton și culoare"), QString("sun.max"), true);
    auto* exposure = new SliderRow("Expunere", QString("sun.max"), 0.35, -5, 5, 0.05, 0);
    exposure->setLabel("+0,35 EV");
    exposure->setHint(QString::fromUtf8("Luminozitatea generală, față de profil."));
    auto* temperature = new SliderRow(QString::fromUtf8("Temperatură"), QString("thermometer"), 5500, 2000, 10000, 50, 5500);
    temperature->setLabel("5500 K");
    temperature->setTrack({adaptiveColor(0x4A90FF, 0x3B82F6), adaptiveColor(0xF2F2F2, 0xF5F5F5), adaptiveColor(0xFFB347, 0xF59E0B)});
    auto* tint = new SliderRow(QString::fromUtf8("Nuanță"), std::nullopt, -12, -100, 100, 1, 0);
    tint->setLabel("-12");
    tint->setChanged(false);
    tone->addTool(exposure);
    tone->addTool(temperature);
    tone->addTool(tint);
    auto* details = new ToolGroup("Detalii", QString("wand.and.stars"), false);
    auto* crop = new ToolGroup(QString::fromUtf8("Decupare și îndreptare în funcție de orizont și de linii"), QString("crop"), false);
    hovered.push_back(details->header());
    auto* plain = new ModernSlider(70, 0, 100, 1, 0);
    return column({tone, labelled(details, "închis, sub cursor", true), labelled(crop, "titlu lung, tăiat", true),
                   labelled(plain, "ModernSlider · origine la stânga", true)},
                  10);
}

QWidget* pickers() {
    std::vector<PillItem> levels{{0, QString::fromUtf8("Fără"), std::nullopt},
                                 {1, "Recomandat", QString("sparkles")},
                                 {2, "Complet", std::nullopt}};
    auto* picker = new PillPicker(levels, 1);
    auto* unknown = new PillPicker(levels, 9);
    return column({labelled(picker, "PillPicker", true), labelled(unknown, "selecție necunoscută: fără cursor", true)}, 8);
}

QWidget* form() {
    auto* section = new FormSection("Catalog", new StatusPill("Legat", std::nullopt, StatusKind::ok));
    auto* speed = new PillPicker({{0, "Rapid", std::nullopt}, {1, "Atent", std::nullopt}}, 0);
    section->addRow(new FormRow("Mod de scriere", std::nullopt, QString::fromUtf8("Cât de mult verifică aplicația înainte de a scrie."),
                                true, speed));
    auto* small = new QWidget;
    small->setProperty("controlSize", "small");
    auto* choose = new KitButton(QString::fromUtf8("Alege…"), ButtonLook::outline, small);
    small->setLayout(new QHBoxLayout);
    small->layout()->setContentsMargins(0, 0, 0, 0);
    small->layout()->addWidget(choose);
    section->addRow(new FormRow(QString::fromUtf8("Copie de siguranță"),
                                QString::fromUtf8("Se face înainte de fiecare scriere în catalog; se păstrează ultimele trei."),
                                QString::fromUtf8("Copia stă lângă catalog, într-un dosar al aplicației."), true, small));
    section->addRow(new FormRow("Ordine", std::nullopt, std::nullopt, false, new CatalogSortPicker));
    return section;
}

QWidget* helpAndSources() {
    auto* dot = new HelpDot(QString::fromUtf8("Îndreaptă fotografiile după orizont."), 15);
    auto* popover = new HelpPopover(QString::fromUtf8(
        "Îndreaptă fotografiile după orizont și după liniile verticale ale clădirilor. Unghiurile mici, sub o "
        "jumătate de grad, rămân neatinse."));
    auto* tabs = new ProjectSourceTabs(ProjectSourceTabs::Source::folder);
    auto* menu = new DropdownLabel(QString::fromUtf8("Catalogul principal de nuntă 2024 — copie"), 210);
    return column({labelled(tabs, "ProjectSourceTabs", true), row({labelled(dot, "HelpDot"), labelled(menu, "DropdownLabel")}, 24),
                   labelled(popover, "HelpDot · deschis")},
                  10);
}

}  // namespace

std::unique_ptr<QWidget> makeComponentsPage(bool showStates) {
    auto root = std::make_unique<AppBackdrop>();
    root->setWindowTitle("Trusa vizuală · componente");
    std::vector<QWidget*> hovered;

    auto* outer = new QVBoxLayout(root.get());
    outer->setContentsMargins(4, 0, 28, 24);
    outer->setSpacing(14);

    const bool dark = Appearance::instance().isDark();
    const bool flat = KitSettings::instance().isFlat();
    auto* look = galleryText(QString("%1 · %2").arg(dark ? "Întunecat" : "Luminos", flat ? "Plat" : "Sticlă"), 15,
                             QFont::Normal, true);
    auto* bar = new PathBar("/home/ana/Poze/Nunți/2024/Ana și Mihai", 3, uiFont(12.5), 15);
    auto* header = new PageHeader(QString::fromUtf8("Nuntă Ana și Mihai"), QString::fromUtf8("312 fotografii · Sinaia"),
                                  BackLink{"Proiecte", {}}, bar,
                                  {new StatusPill("De exportat", std::nullopt, StatusKind::info),
                                   new KitButton(QString::fromUtf8("Exportă"), ButtonLook::accent)});
    outer->addWidget(header);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(24, 0, 0, 0);
    body->setSpacing(24);
    body->addWidget(column({section("Carduri și stare", cardsAndStatus()), section("Plăci și insigne", tilesAndBadges()),
                            section("Sfaturi", tips())},
                           18),
                    1, Qt::AlignTop);
    body->addWidget(column({section("Glisoare și grupuri", sliders(hovered)), section("Selector", pickers())}, 18), 1,
                    Qt::AlignTop);
    body->addWidget(column({section("Formular", form()), section("Sursă, ajutor și meniu", helpAndSources()),
                            row({caption("Componente"), look}, 10)},
                           18),
                    1, Qt::AlignTop);
    outer->addLayout(body);
    outer->addStretch(1);

    if (showStates)
        for (QWidget* w : hovered) hoverOver(w);
    return root;
}

}  // namespace orvane::gallery
