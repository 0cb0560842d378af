#pragma once
// Glass surfaces: the background treatments of cards, panels, groups and small round controls. Each
// follows "style" (glass or flat), the card transparency of the appearance in effect and the
// appearance itself, read when it paints.
#include <QColor>
#include <QWidget>

#include "app/kit/backdrop.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

enum class GlassTreatment {
    surface,  // GlassSurface: small round controls; its tint never drops below 0.368
    clear,    // ClearGlass: cards and list screens
    airy,     // AiryGlass: form sections and screen cards (the same layers as clear)
    panel,    // GlassPanel: the sidebar rail, optionally floating over a photo
    group,    // GlassGroup: group containers, a rounded rectangle of the given radius
};

// Opacity of the raisedColor tint for a transparency t (1 fully see-through, 0 nearly opaque).
double glassTintOpacity(GlassTreatment treatment, double t);

// Everything a treatment draws, resolved from the settings and the appearance; pure.
struct GlassLayers {
    bool flat = false;
    // flat look
    QColor flatFill;        // transparent when there is none
    QColor flatBorder;      // the hairline
    double flatBorderWidth = 0.0;
    bool flatBorderInside = false;  // drawn inside the edge rather than centred on it
    // glass look
    Material material = Material::ultraThin;
    QColor tint;
    QColor sheen;
    QColor outline;  // transparent when there is none
    double outlineWidth = 0.0;
};
GlassLayers resolveGlassLayers(GlassTreatment treatment, bool flatStyle, bool dark, double transparency,
                               bool onPhoto = false);

// The one painter of glass: every surface calls it with its own shape, behind its content.
void paintGlass(QPainter& painter, const QWidget* widget, const KitShape& shape, GlassTreatment treatment,
                bool onPhoto = false);
// The same with the settings and appearance given (the gallery's side-by-side samples).
void paintGlass(QPainter& painter, const QWidget* widget, const KitShape& shape, const GlassLayers& layers);

// A container drawn with one treatment behind its children; restyles itself when a setting or the
// appearance changes.
class GlassFrame : public QWidget {
    Q_OBJECT
public:
    GlassFrame(GlassTreatment treatment, KitShape shape, QWidget* parent = nullptr);
    // A GlassGroup: a rounded rectangle of `radius`.
    static GlassFrame* group(double radius, QWidget* parent = nullptr);

    GlassTreatment treatment() const { return treatment_; }
    void setOnPhoto(bool onPhoto);
    int paintCount() const { return paints_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GlassTreatment treatment_;
    KitShape shape_;
    bool onPhoto_ = false;
    int paints_ = 0;
};

}  // namespace orvane::kit
