#pragma once
// Descriptive record of a node: header, screen appearance, user properties and documentation.

#include "base/vrx_object.h"
#include "model/documentation.h"
#include "model/header.h"
#include "model/screen_info.h"
#include "model/user_properties.h"

class VRX_nodeInfo : public VRX_object {
public:
    VRX_nodeInfo() = default;
    // Copies header (with its identifier checks), user properties and screen info; documentation
    // stays empty.
    VRX_nodeInfo(const VRX_nodeInfo& source);
    VRX_nodeInfo& operator=(const VRX_nodeInfo&) = delete;

    [[nodiscard]] int Copy(const VRX_nodeInfo& source);

    VRX_header header;
    VRX_screenInfo screenInfo;
    VRX_userProperties userProperties;
    VRX_documentation documentation;
};
