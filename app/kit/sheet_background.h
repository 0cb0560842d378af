#pragma once
// The background of every sheet: a thin material with a raised tint, a bright rim, accent glows in
// the corners and a faint diagonal wash; flat sheets take the window colour, very clear ones nothing.
#include <QImage>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace orvane::kit {

// Opacity of the raised tint over the sheet for a card transparency t, limited to 0…1.
double sheetTintOpacity(double t);

// The decorative layers, each filling `rect`.
void paintSheetTint(QPainter& painter, const QRectF& rect, bool dark);
void paintGlassCornerTint(QPainter& painter, const QRectF& rect, bool dark, double radius);
void paintGlassRim(QPainter& painter, const QRectF& rect, bool dark, double radius);

// A sheet's root: its children are the sheet's content.
class GlassSheet : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 14.0;
    explicit GlassSheet(bool veryClear = false, QWidget* parent = nullptr);
    bool veryClear() const { return veryClear_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the cached background was painted from: any change paints it again.
    struct Key {
        QSize pixels;
        QPoint offset;  // in the backdrop, whose material shows through
        int backdropRenders = -1;
        bool dark = false;
        double tint = 0.0;
        int accent = 0;
        bool operator==(const Key&) const = default;
    };
    QImage background(const Key& key);

    bool veryClear_;
    Key cachedKey_;
    QImage cached_;
};

}  // namespace orvane::kit
