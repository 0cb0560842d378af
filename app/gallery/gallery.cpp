#include "app/gallery/gallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <vector>

#include "app/gallery/gallery_parts.h"
#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/motion.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_background.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "core/base/defaults.h"

namespace orvane::gallery {

using namespace orvane::kit;

namespace {

// A colour chip: a circle of one adaptive colour, or a diagonal accent-to-shade gradient.
class Swatch : public QWidget {
public:
    Swatch(AdaptiveColor color, AdaptiveColor shade, QWidget* parent = nullptr)
        : QWidget(parent), color_(color), shade_(shade) {
        setFixedSize(26, 26);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Appearance::instance().isDark();
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, color_.resolve(dark));
        g.setColorAt(1, shade_.resolve(dark));
        p.setBrush(g);
        QColor edge = primaryLabelColor.resolve(dark);
        edge.setAlphaF(0.12f);
        p.setPen(QPen(edge, 0.8));
        p.drawEllipse(r);
    }

private:
    AdaptiveColor color_, shade_;
};

QWidget* card(GlassFrame* frame, const QString& icon, const QString& title, const QString& detail) {
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(icon, 34, false));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(galleryText(title, 13.5, QFont::DemiBold, false));
    texts->addWidget(galleryText(detail, 11.5, QFont::Normal, true));
    layout->addLayout(texts, 1);
    return frame;
}

struct States {
    std::vector<QWidget*> hovered;
    std::vector<KitButton*> pressed;
};

QWidget* buttonRow(const QString& title, ButtonLook look, const QString& text, bool withPressed, States& states,
                   bool compactToo = false) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* name = galleryText(title, 12, QFont::Medium, true);
    name->setFixedWidth(70);
    layout->addWidget(name);
    auto add = [&](const QString& state, bool enabled, bool hover, bool pressed, QWidget* host = nullptr) {
        auto* b = new KitButton(text, look);
        b->setEnabled(enabled);
        if (hover) states.hovered.push_back(b);
        if (pressed) states.pressed.push_back(b);
        QWidget* item = b;
        if (host) {
            auto* l = new QHBoxLayout(host);
            l->setContentsMargins(0, 0, 0, 0);
            l->addWidget(b);
            item = host;
        }
        layout->addWidget(labelled(item, state));
    };
    add("repaus", true, false, false);
    add("sub cursor", true, true, false);
    if (withPressed) add("apăsat", true, true, true);
    add("dezactivat, sub cursor", false, true, false);
    if (compactToo) {
        auto* small = new QWidget;
        small->setProperty("controlSize", "small");
        add("compact", true, false, false, small);
    }
    layout->addStretch(1);
    return row;
}

std::unique_ptr<QWidget> makeFoundationsPage(bool showStates) {
    auto root = std::make_unique<AppBackdrop>();
    root->setWindowTitle("Trusa vizuală");
    States states;

    auto* outer = new QVBoxLayout(root.get());
    outer->setContentsMargins(28, 22, 28, 24);
    outer->setSpacing(18);

    const bool dark = Appearance::instance().isDark();
    const bool flat = KitSettings::instance().isFlat();
    auto* title = new QHBoxLayout;
    title->addWidget(galleryText("Trusa vizuală", 22, QFont::Bold, false));
    title->addSpacing(12);
    title->addWidget(galleryText(QString("%1 · %2").arg(dark ? "Întunecat" : "Luminos", flat ? "Plat" : "Sticlă"), 15,
                              QFont::Normal, true),
                     0, Qt::AlignBottom);
    title->addStretch(1);
    outer->addLayout(title);

    // Colours: the named colours, the accent palette, the status kinds.
    auto* colours = new QWidget;
    auto* colourRows = new QVBoxLayout(colours);
    colourRows->setContentsMargins(0, 0, 0, 0);
    colourRows->setSpacing(10);
    auto* named = new QHBoxLayout;
    named->setSpacing(14);
    const std::pair<const char*, AdaptiveColor> namedColours[] = {
        {"muted", mutedColor},         {"ok", okColor},         {"warn", warnColor},
        {"bad", badColor},             {"info", infoColor},     {"flatWindow", flatWindowColor},
        {"flatCard", flatCardColor},   {"raised", raisedColor}, {"softFill", softFillColor},
    };
    for (const auto& [name, color] : namedColours) named->addWidget(labelled(new Swatch(color, color), name));
    named->addSpacing(24);
    for (const auto& entry : accentPalette)
        named->addWidget(labelled(new Swatch(adaptiveColor(entry.accent), adaptiveColor(entry.shade)),
                                  QString::fromUtf8(entry.name)));
    named->addStretch(1);
    colourRows->addLayout(named);
    auto* chips = new QHBoxLayout;
    chips->setSpacing(8);
    const std::pair<const char*, StatusKind> kinds[] = {{"Exportat", StatusKind::ok},     {"În lucru", StatusKind::warn},
                                                        {"Eșuat", StatusKind::bad},       {"Accent", StatusKind::accent},
                                                        {"De exportat", StatusKind::info}, {"În așteptare", StatusKind::neutral}};
    for (const auto& [text, kind] : kinds) chips->addWidget(new StatusPill(QString::fromUtf8(text), std::nullopt, kind));
    chips->addStretch(1);
    colourRows->addLayout(chips);
    outer->addWidget(section("Culori", colours));

    // Surfaces and the sheet side by side.
    auto* middle = new QHBoxLayout;
    middle->setSpacing(24);
    auto* surfaces = new QWidget;
    auto* grid = new QGridLayout(surfaces);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    grid->addWidget(labelled(card(new GlassFrame(GlassTreatment::clear, KitShape::rounded(20)), "photo.stack",
                                  "Catalogul de nuntă", "ClearGlass · 1.248 fotografii"),
                             "ClearGlass"),
                    0, 0);
    grid->addWidget(labelled(card(new GlassFrame(GlassTreatment::airy, KitShape::rounded(16)), "slider.horizontal.3",
                                  "Opțiuni de editare", "AiryGlass · secțiune de formular"),
                             "AiryGlass"),
                    0, 1);
    grid->addWidget(labelled(card(GlassFrame::group(14), "sparkles", "Grup de instrumente", "GlassGroup · raza 14"),
                             "GlassGroup"),
                    1, 0);
    grid->addWidget(labelled(card(new GlassFrame(GlassTreatment::panel, KitShape::rounded(30)), "house", "Panou lateral",
                                  "GlassPanel · raza 30"),
                             "GlassPanel"),
                    1, 1);
    auto* rounds = new QHBoxLayout;
    rounds->setSpacing(12);
    rounds->addWidget(new GlassCircleButton("xmark", 30, 30 * 0.42));
    rounds->addWidget(new GlassCircleButton("chevron.left", 30, 30 * 0.42));
    rounds->addWidget(new GlassCircleButton("plus", 44, 44 * 0.42));
    rounds->addWidget(new GlassCircleButton("trash", 44, 44 * 0.42));
    // The hover effects, shown hovered.
    auto* liftCard = new GlassFrame(GlassTreatment::clear, KitShape::rounded(14));
    liftCard->setFixedSize(96, 44);
    {
        auto* l = new QHBoxLayout(liftCard);
        l->setContentsMargins(12, 0, 12, 0);
        l->addWidget(galleryText("Ridicat", 12.5, QFont::Medium, false), 0, Qt::AlignCenter);
    }
    auto* lift = new HoverLift(liftCard);
    auto* fillRow = new QWidget;
    {
        auto* l = new QHBoxLayout(fillRow);
        l->setContentsMargins(12, 8, 12, 8);
        l->addWidget(galleryText("Rând evidențiat", 13.5, QFont::Medium, false));
    }
    auto* fill = new HoverFill(12, fillRow);
    states.hovered.push_back(lift);
    states.hovered.push_back(fill);
    rounds->addSpacing(12);
    rounds->addWidget(labelled(lift, "HoverLift, sub cursor"));
    rounds->addWidget(labelled(fill, "HoverFill, sub cursor"));
    rounds->addStretch(1);
    auto* roundsBox = new QWidget;
    roundsBox->setLayout(rounds);
    grid->addWidget(labelled(roundsBox, "GlassSurface · efecte de trecere"), 2, 0, 1, 2);
    middle->addWidget(section("Suprafețe", surfaces), 3);

    auto* sheet = new GlassSheet(false);
    sheet->setFixedSize(330, 210);
    {
        auto* l = new QVBoxLayout(sheet);
        l->setContentsMargins(22, 20, 22, 20);
        l->setSpacing(6);
        // The title keeps clear of the close button in the corner.
        auto* head = new QHBoxLayout;
        head->setContentsMargins(0, 0, SheetCloseButton::circle + SheetCloseButton::padding - 22, 0);
        head->addWidget(galleryText("Proiect nou", 17, QFont::DemiBold, false));
        l->addLayout(head);
        l->addWidget(galleryText("Alege un dosar cu fotografii RAW și un profil.", 12, QFont::Normal, true));
        l->addStretch(1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(new KitButton("Anulează", ButtonLook::outline));
        buttons->addWidget(new KitButton("Creează", ButtonLook::accent));
        l->addLayout(buttons);
    }
    SheetCloseButton::overlay(sheet);
    middle->addWidget(section("Foaie", sheet), 0, Qt::AlignTop);
    outer->addLayout(middle);

    // Buttons in their states.
    auto* buttons = new QWidget;
    auto* rows = new QVBoxLayout(buttons);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(6);
    rows->addWidget(buttonRow("Accent", ButtonLook::accent, "Începe editarea", true, states));
    rows->addWidget(buttonRow("Hero", ButtonLook::hero, "Pornește", true, states));
    rows->addWidget(buttonRow("Contur", ButtonLook::outline, "Deschide în Lightroom", true, states, true));
    outer->addWidget(section("Butoane", buttons));
    outer->addStretch(1);

    if (showStates) {
        for (QWidget* w : states.hovered) hoverOver(w);
        for (KitButton* b : states.pressed) b->setDown(true);
    }
    return root;
}

}  // namespace

std::optional<GalleryPage> galleryPageNamed(const QString& name) {
    if (name == QLatin1String("foundations")) return GalleryPage::foundations;
    if (name == QLatin1String("components")) return GalleryPage::components;
    return std::nullopt;
}

QString galleryPageName(GalleryPage page) {
    return page == GalleryPage::components ? QStringLiteral("components") : QStringLiteral("foundations");
}

QSize gallerySize(GalleryPage page) { return page == GalleryPage::components ? QSize(1180, 820) : QSize(1180, 820); }

std::unique_ptr<QWidget> makeKitGallery(GalleryPage page, bool showStates) {
    return page == GalleryPage::components ? makeComponentsPage(showStates) : makeFoundationsPage(showStates);
}

QImage renderKitGallery(GalleryPage page, bool dark, bool flat) {
    auto store = std::make_shared<FileDefaults>();
    if (flat) store->set("style", "flat");
    setUserDefaults(store);
    KitSettings::instance().rebind(store);
    Appearance::instance().setOverride(dark);
    setAnimationsEnabled(false);
    installUiFont();

    auto shown = makeKitGallery(page, true);
    shown->setAttribute(Qt::WA_DontShowOnScreen);
    shown->resize(gallerySize(page));
    shown->show();
    QApplication::processEvents();
    if (auto* root = qobject_cast<AppBackdrop*>(shown.get())) root->renderNow();
    return shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace orvane::gallery
