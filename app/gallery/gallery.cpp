#include "app/gallery/gallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <vector>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/motion.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_background.h"
#include "app/kit/sheet_host.h"
#include "core/base/defaults.h"

namespace orvane::gallery {

using namespace orvane::kit;

namespace {

// A line of text in the primary or muted colour of the appearance in effect.
class Text : public QWidget {
public:
    Text(QString text, double size, int weight, bool muted, QWidget* parent = nullptr)
        : QWidget(parent), text_(std::move(text)), font_(uiFont(size, weight)), muted_(muted) {
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font_);
        return {fm.horizontalAdvance(text_) + 2, fm.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const bool dark = Appearance::instance().isDark();
        QColor c = muted_ ? mutedColor.resolve(dark) : primaryLabelColor.resolve(dark);
        if (!muted_) c.setAlphaF(0.88f);
        p.setPen(c);
        p.setFont(font_);
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text_);
    }

private:
    QString text_;
    QFont font_;
    bool muted_;
};

Text* caption(const QString& s) { return new Text(s, 11, QFont::Normal, true); }
Text* heading(const QString& s) { return new Text(s.toUpper(), 11, QFont::DemiBold, true); }

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

// A status capsule in its kind's colours.
class StatusChip : public QWidget {
public:
    StatusChip(QString text, StatusKind kind, QWidget* parent = nullptr)
        : QWidget(parent), text_(std::move(text)), kind_(kind) {
        const QFontMetrics fm(uiFont(11.5, QFont::DemiBold));
        setFixedSize(fm.horizontalAdvance(text_) + 20, fm.height() + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Appearance::instance().isDark();
        auto [fg, bg] = statusKindColor(kind_);
        p.fillPath(KitShape::capsule().path(QRectF(rect())), bg.resolve(dark));
        p.setPen(fg.resolve(dark));
        p.setFont(uiFont(11.5, QFont::DemiBold));
        p.drawText(rect(), Qt::AlignCenter, text_);
    }

private:
    QString text_;
    StatusKind kind_;
};

// A round glass control with an icon.
class RoundControl : public GlassFrame {
public:
    RoundControl(QString icon, int size, QWidget* parent = nullptr)
        : GlassFrame(GlassTreatment::surface, KitShape::circle(), parent), icon_(std::move(icon)) {
        setFixedSize(size, size);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        GlassFrame::paintEvent(e);
        QPainter p(this);
        const double s = width() * 0.42;
        QColor c = primaryLabelColor.resolve(Appearance::instance().isDark());
        c.setAlphaF(0.75f);
        icons::paint(p, icon_, QRectF((width() - s) / 2, (height() - s) / 2, s, s), c);
    }

private:
    QString icon_;
};

// An icon tile in the accent colour (used inside cards).
class IconTile : public QWidget {
public:
    IconTile(QString icon, QWidget* parent = nullptr) : QWidget(parent), icon_(std::move(icon)) { setFixedSize(34, 34); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Appearance::instance().isDark();
        QColor bg = accentColor().resolve(dark);
        bg.setAlphaF(0.16f);
        p.fillPath(KitShape::rounded(width() * 0.3).path(QRectF(rect())), bg);
        icons::paint(p, icon_, QRectF(9, 9, 16, 16), accentColor().resolve(dark));
    }

private:
    QString icon_;
};

QWidget* card(GlassFrame* frame, const QString& icon, const QString& title, const QString& detail) {
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(icon));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new Text(title, 13.5, QFont::DemiBold, false));
    texts->addWidget(new Text(detail, 11.5, QFont::Normal, true));
    layout->addLayout(texts, 1);
    return frame;
}

QWidget* labelled(QWidget* item, const QString& text) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    // Room for what a button draws beyond its frame (hover growth, shadow): a parent clips its children.
    layout->setContentsMargins(buttonOverflow, buttonOverflow, buttonOverflow, 0);
    layout->setSpacing(4);
    layout->addWidget(item, 0, Qt::AlignLeft);
    layout->addWidget(caption(text), 0, Qt::AlignLeft);
    return box;
}

void hoverOver(QWidget* w) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(w, &e);
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
    auto* name = new Text(title, 12, QFont::Medium, true);
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

QWidget* section(const QString& title, QWidget* body) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(title));
    layout->addWidget(body);
    return box;
}

}  // namespace

std::unique_ptr<QWidget> makeKitGallery(bool showStates) {
    auto root = std::make_unique<AppBackdrop>();
    root->setWindowTitle("Trusa vizuală");
    States states;

    auto* outer = new QVBoxLayout(root.get());
    outer->setContentsMargins(28, 22, 28, 24);
    outer->setSpacing(18);

    const bool dark = Appearance::instance().isDark();
    const bool flat = KitSettings::instance().isFlat();
    auto* title = new QHBoxLayout;
    title->addWidget(new Text("Trusa vizuală", 22, QFont::Bold, false));
    title->addSpacing(12);
    title->addWidget(new Text(QString("%1 · %2").arg(dark ? "Întunecat" : "Luminos", flat ? "Plat" : "Sticlă"), 15,
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
    for (const auto& [text, kind] : kinds) chips->addWidget(new StatusChip(QString::fromUtf8(text), kind));
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
    rounds->addWidget(new RoundControl("xmark", 30));
    rounds->addWidget(new RoundControl("chevron.left", 30));
    rounds->addWidget(new RoundControl("plus", 44));
    rounds->addWidget(new RoundControl("trash", 44));
    // The hover effects, shown hovered.
    auto* liftCard = new GlassFrame(GlassTreatment::clear, KitShape::rounded(14));
    liftCard->setFixedSize(96, 44);
    {
        auto* l = new QHBoxLayout(liftCard);
        l->setContentsMargins(12, 0, 12, 0);
        l->addWidget(new Text("Ridicat", 12.5, QFont::Medium, false), 0, Qt::AlignCenter);
    }
    auto* lift = new HoverLift(liftCard);
    auto* fillRow = new QWidget;
    {
        auto* l = new QHBoxLayout(fillRow);
        l->setContentsMargins(12, 8, 12, 8);
        l->addWidget(new Text("Rând evidențiat", 13.5, QFont::Medium, false));
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
        head->addWidget(new Text("Proiect nou", 17, QFont::DemiBold, false));
        l->addLayout(head);
        l->addWidget(new Text("Alege un dosar cu fotografii RAW și un profil.", 12, QFont::Normal, true));
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

QImage renderKitGallery(bool dark, bool flat) {
    auto store = std::make_shared<FileDefaults>();
    if (flat) store->set("style", "flat");
    setUserDefaults(store);
    KitSettings::instance().rebind(store);
    Appearance::instance().setOverride(dark);
    setAnimationsEnabled(false);
    installUiFont();

    auto shown = makeKitGallery(true);
    shown->setAttribute(Qt::WA_DontShowOnScreen);
    shown->resize(gallerySize);
    shown->show();
    QApplication::processEvents();
    if (auto* root = qobject_cast<AppBackdrop*>(shown.get())) root->renderNow();
    return shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace orvane::gallery
