#include "controls/button/CorvaneButton.h"

// The drawing and input half of the button. Until it is in place the button keeps its state
// and shape but draws nothing of its own.

namespace controls {

void CorvaneButton::PaintButton(bool snapshot) {
    Q_UNUSED(snapshot);
    if (m_layoutDirty) {
        CreateCaptionFont(true);
        m_layoutDirty = false;
        releaseCaptionFont();
    }
}

void CorvaneButton::LayoutCaption() {}

void CorvaneButton::PrepareIcon() {}

void CorvaneButton::UncheckGroup() {}

} // namespace controls
