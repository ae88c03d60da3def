// The node's descriptive record: copies keep identity and appearance but not the attached documents.
#include "model/node_info.h"

#include "base/status_codes.h"

VRX_nodeInfo::VRX_nodeInfo(const VRX_nodeInfo& source) : VRX_object() {
    (void)Copy(source);  // a failed copy leaves this empty
}

int VRX_nodeInfo::Copy(const VRX_nodeInfo& source) {
    if (!source.IsValid()) return kObjectNotValid;
    if (&source == this) return kSuccess;
    int rc = header.Copy(source.header);
    if (const int propertiesRc = userProperties.Copy(source.userProperties); rc == kSuccess)
        rc = propertiesRc;
    if (const int screenRc = screenInfo.Copy(source.screenInfo); rc == kSuccess) rc = screenRc;
    CheckValidity(0);
    return rc;
}
