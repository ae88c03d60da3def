// The plate layout of a dynamic network.
#include "model/temporal_extension.h"

void VRX_temporalExtension::SetPlate(const VRX_rectangle& rect, int leftWidth, int rightWidth) {
    plateRect.Copy(rect);
    plateLeftWidth = leftWidth;
    plateRightWidth = rightWidth;
}

void VRX_temporalExtension::GetPlate(VRX_rectangle& rect, int& leftWidth, int& rightWidth) const {
    rect.Copy(plateRect);
    leftWidth = plateLeftWidth;
    rightWidth = plateRightWidth;
}
