// The XML loader stops where the network would otherwise take something else than the file says; the
// file dispatch then leaves the network as it was.
#include <gtest/gtest.h>

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::LastLogged;
using vovido::test::TempFile;

TEST(XmlLostData, ARefusedNetworkIdentifierFailsTheRead) {
    errorLog.Flush();
    VRX_network net;
    ASSERT_EQ(net.GetHeader()->SetId("Kept"), kSuccess);
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "mine"), 0);
    const TempFile file;
    file.Write(
        "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"1bad\">\n<nodes>\n"
        "<cpt id=\"a\"><state id=\"s0\"/><state id=\"s1\"/><probabilities>0.5 0.5</probabilities></cpt>\n"
        "</nodes>\n</tarvo>\n");
    EXPECT_EQ(net.ReadFile(file.c_str()), kFileIoFailed);
    EXPECT_EQ(LastLogged(),
              "Error at 2, 0 while loading " + file.path() + ": Invalid network identifier: '1bad'");
    EXPECT_STREQ(net.GetHeader()->GetId(), "Kept");
    EXPECT_EQ(net.GetNumberOfNodes(), 1);
    EXPECT_GE(net.FindNode("mine"), 0);
    errorLog.Flush();
}

// A table of 40 two-state parents is refused at once, before any arc makes it grow.
TEST(XmlLostData, ATableOfFortyParentsIsRefusedBeforeItsArcs) {
    errorLog.Flush();
    std::string nodes;
    std::string parents;
    for (int i = 0; i < 40; ++i) {
        const std::string id = "p" + std::to_string(i);
        nodes += "<cpt id=\"" + id +
                 "\"><state id=\"s0\"/><state id=\"s1\"/>"
                 "<probabilities>0.5 0.5</probabilities></cpt>\n";
        parents += id + " ";
    }
    const TempFile file;
    file.Write("<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"Wide\">\n<nodes>\n" + nodes +
               "<cpt id=\"child\"><state id=\"s0\"/><state id=\"s1\"/><parents>" + parents +
               "</parents><probabilities>0.5 0.5</probabilities></cpt>\n</nodes>\n</tarvo>\n");
    VRX_network net;
    EXPECT_EQ(net.ReadFile(file.c_str()), kFileIoFailed);
    EXPECT_EQ(
        LastLogged(),
        "Error at 44, 255 while loading " + file.path() +
            ": ERROR: Node [child] : its table of 2199023255552 cells passes the limit of 268435456 cells");
    errorLog.Flush();
}

}  // namespace
