// The plate layout of a dynamic network.
#include "model/temporal_extension.h"

void VRX_temporalExtension::SetPlate(const VRX_rectangle& rect, int leftWidth, int rightWidth) {
    (void)plateRect.Copy(rect);  // an invalid rectangle leaves the plate's as it is
    plateLeftWidth = leftWidth;
    plateRightWidth = rightWidth;
}

void VRX_temporalExtension::GetPlate(VRX_rectangle& rect, int& leftWidth, int& rightWidth) const {
    (void)rect.Copy(plateRect);  // the plate's rectangle is always valid
    leftWidth = plateLeftWidth;
    rightWidth = plateRightWidth;
}
