// The dialog's preview pane. When asked to display, it renders the preview
// of the current settings into a preview buffer through the render entry, at
// the zoom divisor and offsets of Parameters, and keeps the result as
// mostRecentPreview, which its paint event paints centred in the pane. The
// render runs from the dialog's loop, once per batch of requests, never in
// the paint event. While the user drags it shows the untransformed input; a
// drag pans the preview and the release after a drag asks for a full refresh.
// Main thread only.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

#include "platform/appkit/controls.h"

struct proxyBufferRecord;

extern uint8_t gButtonIsPressed;
extern uint8_t gMouseInProxyView;
extern uint8_t gDraggedYet;

class ProxyView_Tarnwhistle_pano : public TrackingView {
public:
    explicit ProxyView_Tarnwhistle_pano(QWidget* parent = nullptr);

    bool pleaseClearImmediately = false;
    QImage mostRecentPreview;
    QRect mostRecentPreviewActiveRect;
    // Why the last preview could not be rendered (shown in the pane), or empty.
    QString refusal;
    // What the last preview's render warned of (a net drawn with seams that
    // have no glue tab), shown along the pane's foot, or empty.
    QString notice;
    // Keeps a render's warning for the pane when a preview pass is running
    // in it; false otherwise (the warning is then the caller's to show).
    static bool TakeRenderWarning(const char* text);
    // Renders into the buffer; the render entry in preview mode unless a
    // test puts its own here.
    static std::function<void(proxyBufferRecord*)>& renderForPreview();
    int64_t previewsRendered = 0;
    // Every drawing of the pane's picture, a quick one while dragging too.
    int64_t draws = 0;
    // How often tiles finished so far were put on screen while a pass ran.
    int64_t tilesShownDuringPasses = 0;
    // Passes stopped before their end, for a change the user made.
    int64_t passesStopped = 0;
    // Times the window was served while a pass waited for its solid.
    int64_t buildWaits = 0;

    // setNeedsDisplay: the next pass of the dialog's loop renders.
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    // The loop's part: renders when asked to.
    void displayIfNeeded();
    double retinaScale() const;
    // On the host that draws panes after their window was dismissed
    // ('AffP'), nothing is drawn while the dialog is not active.
    void drawRect(QRectF r);
    void drawRect_version_normal(QRectF r);
    // The last preview scaled to cover a square of side points, its middle
    // kept; for settings this build refuses, the reason on the pane's grey.
    QImage previewWithPointSize(int side) const;

    void viewMouseDown(double x, double y, uint32_t modifiers) override;
    void viewMouseDragged(double deltaX, double deltaY) override;
    void viewMouseUp() override;
    void viewMouseEntered() override { gMouseInProxyView = 1; }
    void viewMouseExited() override { gMouseInProxyView = 0; }
    void cursorUpdate_inner();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintPreview(QRectF r, bool trivial);
    // One pass over the preview's tiles through the task engine; between
    // completions the window is served and the tiles so far are shown.
    bool renderPass(QRectF r, proxyBufferRecord* pbr);
    void seedBuffer(proxyBufferRecord* pbr) const;
    static void ServeWhileRendering(void* context);
    // The pass's wait for a solid built off this thread: false once the pass stopped.
    static bool ServeWhileBuilding(void* context);
    struct Pass {
        proxyBufferRecord* pbr = nullptr;
        QRectF rect;
        double lastShown = 0;
        int64_t tilesShown = 0;  // the engine's count of completed tiles at the last show
    };
    Pass pass_;
    void drawProxyBufferToScreen(double scale, QRectF r, const proxyBufferRecord& pbr);
    void before_concludeDrawRectWithoutRacing();
    bool panningPossible() const;
    bool needsDisplay_ = false;
};
