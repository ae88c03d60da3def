package tarvo;

import java.awt.Color;
import java.awt.Rectangle;
import java.util.ArrayList;
import java.util.List;

/** Natives of node appearance and of submodels. */
public class NetworkAppearanceTest {
    private static final int CPT = 0x12;
    private static final int MAIN = 16384;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testNodePositionRoundTrips() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.setNodePosition(a, 10, 20, 5, 7);
            Check.equal(new Rectangle(10, 20, 5, 7), net.getNodePosition("A"));
            // Extreme values wrap inside the record rather than overflowing, and come back as given.
            int max = Integer.MAX_VALUE;
            int min = Integer.MIN_VALUE;
            for (int[] r : new int[][] {{max, min, max, max}, {min, max, min, -7}, {max, max, -1, min}}) {
                net.setNodePosition("A", r[0], r[1], r[2], r[3]);
                Check.equal(new Rectangle(r[0], r[1], r[2], r[3]), net.getNodePosition(a));
            }
        } finally {
            net.dispose();
        }
    }

    public void testColoursAndBorder() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            // Alpha is dropped: the colour comes back opaque.
            net.setNodeBgColor(a, new Color(0x11, 0x22, 0x33, 0));
            net.setNodeTextColor("A", new Color(0x44, 0x55, 0x66));
            net.setNodeBorderColor(a, new Color(0xFE, 0x01, 0x80, 7));
            Check.equal(new Color(0x11, 0x22, 0x33), net.getNodeBgColor("A"));
            Check.equal(new Color(0x44, 0x55, 0x66), net.getNodeTextColor(a));
            Check.equal(new Color(0xFE, 0x01, 0x80), net.getNodeBorderColor("A"));
            net.setNodeBorderWidth(a, 4);
            Check.equal(4, net.getNodeBorderWidth("A"));
            net.setNodeBorderWidth("A", -3);
            Check.equal(-3, net.getNodeBorderWidth(a));
            Check.equal("Object argument can't be null", message(() -> net.setNodeTextColor(a, null)));
        } finally {
            net.dispose();
        }
    }

    private static List<Integer> walk(Network net) {
        List<Integer> handles = new ArrayList<>();
        for (int h = net.getFirstSubmodel(); h >= 0; h = net.getNextSubmodel(h)) {
            handles.add(h);
        }
        return handles;
    }

    public void testSubmodelTree() {
        Network net = new Network();
        try {
            net.setId("Net");
            Check.equal(MAIN, net.getMainSubmodel());
            Check.equal("Net", net.getMainSubmodelId());
            int outer = net.addSubmodel(MAIN, "Outer");
            int inner = net.addSubmodel("Outer", "Inner");
            Check.equal(List.of(MAIN, outer, inner), walk(net));
            Check.equal(3, net.getSubmodelCount());
            Check.equal(inner, net.getSubmodel("Inner"));
            Check.equal(-1, net.getNextSubmodel(12345));
            Check.equal(-8888, net.getSubmodelOfSubmodel(MAIN));
            Check.equal(outer, net.getSubmodelOfSubmodel("Inner"));

            int a = net.addNode(CPT, "A");
            Check.equal(MAIN, net.getSubmodelOfNode(a));
            net.setSubmodelOfNode(inner, a);
            Check.equal(inner, net.getSubmodelOfNode("A"));
            // A submodel cannot move under itself or its own subtree, nor can the main submodel move.
            Check.equal("TARVO error -2 in function SetSubmodel. Logged information: Submodel [Outer] cannot lie "
                    + "under [Inner], which lies under it\n", message(() -> net.setSubmodelOfSubmodel(inner, outer)));
            Check.equal("TARVO error -2 in function SetSubmodel. Logged information: Submodel [Outer] cannot lie "
                    + "under itself\n", message(() -> net.setSubmodelOfSubmodel(outer, outer)));
            Check.equal("TARVO error -2 in function SetSubmodel. Logged information: Submodel [Net] is the main "
                    + "submodel, which lies under no other\n", message(() -> net.setSubmodelOfSubmodel("Outer", "Net")));
            net.setSubmodelOfSubmodel("Net", "Inner");
            Check.equal(MAIN, net.getSubmodelOfSubmodel(inner));
            net.setSubmodelOfSubmodel(outer, inner);
            // Deleting a submodel hands its nodes and children to its parent.
            net.deleteSubmodel("Outer");
            Check.equal(MAIN, net.getSubmodelOfSubmodel(inner));
            Check.equal(inner, net.getSubmodelOfNode(a));
            net.deleteSubmodel(inner);
            Check.equal(MAIN, net.getSubmodelOfNode(a));
            Check.equal(List.of(MAIN), walk(net));

            Check.equal("TARVO error -2 in function DeleteSubmodel. Logged information: The main submodel (16384) holds every node "
                    + "and submodel and cannot be deleted\n", message(() -> net.deleteSubmodel(MAIN)));
            Check.equal(Fixtures.badIdentifier("1st"), message(() -> net.addSubmodel(MAIN, "1st")));
            Check.equal("TARVO error -2 in function CreateSubmodel. Logged information: "
                    + "Invalid parent submodel handle: 999\n", message(() -> net.addSubmodel(999, "Fine")));
            Check.equal("TARVO error -2 in function CreateSubmodel. Logged information: "
                    + "Identifier [Net] is already used by a submodel\n", message(() -> net.addSubmodel(MAIN, "Net")));
            Check.equal("Invalid submodel id: 'Nope'", message(() -> net.addSubmodel("Nope", "1st")));
            Check.equal("Invalid submodel handle: " + inner, message(() -> net.deleteSubmodel(inner)));
            Check.equal("Invalid submodel handle: 7", message(() -> net.setSubmodelOfNode(7, a)));
            Check.equal("Invalid node handle: 9", message(() -> net.setSubmodelOfNode(7, 9)));
            // The node's identifier is resolved before the submodel's, the moved submodel's before its
            // parent's.
            Check.equal("Invalid node id: B", message(() -> net.setSubmodelOfNode("Nope", "B")));
            Check.equal("Invalid submodel id: 'Second'",
                    message(() -> net.setSubmodelOfSubmodel("First", "Second")));
            Check.equal(List.of(MAIN), walk(net));
        } finally {
            net.dispose();
        }
    }

    public void testSubmodelRecords() {
        Network net = new Network();
        try {
            int s = net.addSubmodel(MAIN, "Sensors");
            int t = net.addSubmodel(MAIN, "Tests");
            net.setSubmodelName(s, "The sensors");
            net.setSubmodelName("Tests", "The tests");
            net.setSubmodelDescription(s, "first");
            net.setSubmodelDescription("Tests", "second");
            net.setSubmodelPosition(s, 10, 20, 5, 7);
            net.setSubmodelPosition("Tests", Integer.MAX_VALUE, -5, Integer.MAX_VALUE, 3);
            Check.equal("The sensors", net.getSubmodelName("Sensors"));
            Check.equal("The tests", net.getSubmodelName(t));
            Check.equal("first", net.getSubmodelDescription("Sensors"));
            Check.equal("second", net.getSubmodelDescription(t));
            Check.equal(new Rectangle(10, 20, 5, 7), net.getSubmodelPosition("Sensors"));
            Check.equal(new Rectangle(Integer.MAX_VALUE, -5, Integer.MAX_VALUE, 3),
                    net.getSubmodelPosition(t));
            net.setSubmodelId(s, "Probes");
            Check.equal("Probes", net.getSubmodelId(s));
            Check.equal(s, net.getSubmodel("Probes"));
            // Two submodels of one identifier could not be told apart, nor read back from a file.
            Check.equal("TARVO error -32 in function SetId. Logged information: "
                    + "Identifier [Probes] is already used by a submodel\n",
                    message(() -> net.setSubmodelId(t, "Probes")));
            Check.equal("Tests", net.getSubmodelId(t));
            net.setSubmodelId(s, "Probes");
            Check.equal(Fixtures.badIdentifier("a b"), message(() -> net.setSubmodelId(s, "a b")));
            // A bare slot number is no handle, even where the slot holds a submodel.
            Check.equal("Invalid submodel handle: 1", message(() -> net.getSubmodelName(s & 0x3FFF)));
            Check.equal("TARVO error -2 in function CreateSubmodel. Logged information: "
                    + "Invalid parent submodel handle: 0\n", message(() -> net.addSubmodel(0, "Fine")));
            Check.equal(-1, net.getNextSubmodel(0));
            Check.equal("Invalid submodel id: 'Sensors'", message(() -> net.getSubmodelName("Sensors")));
        } finally {
            net.dispose();
        }
    }
}
