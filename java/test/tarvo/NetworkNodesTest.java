package tarvo;

import java.util.Arrays;
import java.util.List;

/** Natives of the network's identity, its nodes and their ordinary arcs. */
public class NetworkNodesTest {
    private static final int CPT = 0x12;
    private static final int TRUTH_TABLE = 0x14;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testNetworkIdentifierNameAndDescription() {
        Network net = new Network();
        try {
            net.setId("Clinic");
            net.setName("Chest clinic");
            net.setDescription("Two lines\nof text");
            Check.equal("Clinic", net.getId());
            Check.equal("Chest clinic", net.getName());
            Check.equal("Two lines\nof text", net.getDescription());
            // A null name or description clears it.
            net.setName(null);
            net.setDescription(null);
            Check.equal(null, net.getName());
            Check.equal(null, net.getDescription());
            Check.equal(Fixtures.badIdentifier("my-net"), message(() -> net.setId("my-net")));
            Check.equal("String argument can't be null (id)", message(() -> net.setId(null)));
            Check.equal("Clinic", net.getId());
        } finally {
            net.dispose();
        }
    }

    public void testAddNodeGeneratesIdentifierAndName() {
        Network net = new Network();
        try {
            int first = net.addNode(CPT);
            Check.equal("Node0", net.getNodeId(first));
            Check.equal("Node0", net.getNodeName(first));
            // The number starts at the count of live nodes and skips identifiers in use.
            net.addNode(CPT, "Node2");
            int third = net.addNode(CPT, null);
            Check.equal("Node3", net.getNodeId(third));
            int named = net.addNode(CPT, "Smoker");
            Check.equal("Smoker", net.getNodeName(named));
            Check.equal(CPT, net.getNodeType(named));
            Check.equal(4, net.getNodeCount());
        } finally {
            net.dispose();
        }
    }

    public void testAddNodeRefusals() {
        Network net = new Network();
        try {
            net.addNode(CPT, "A");
            Check.equal(Fixtures.badIdentifier("1abc"), message(() -> net.addNode(CPT, "1abc")));
            Check.equal(Fixtures.badIdentifier("_a"), message(() -> net.addNode(CPT, "_a")));
            Check.equal(Fixtures.badIdentifier(""), message(() -> net.addNode(CPT, "")));
            Check.equal(Fixtures.badIdentifier("a b"), message(() -> net.addNode(CPT, "a b")));
            // A NUL character would cut the identifier short to "B" rather than fail the rule.
            Check.equal("String argument can't contain a null character (nodeId)",
                    message(() -> net.addNode(CPT, "B\u0000-x")));
            Check.equal("TARVO error -2 in function AddNode. Logged information: "
                    + "Identifier [A] is already used by a node\n", message(() -> net.addNode(CPT, "A")));
            Check.equal("TARVO error -2 in function AddNode. Logged information: Unknown node type code: 3\n",
                    message(() -> net.addNode(0x3, "B")));
            Check.equal(1, net.getNodeCount());
            Check.equal(List.of("A"), Arrays.asList(net.getAllNodeIds()));
        } finally {
            net.dispose();
        }
    }

    public void testWalkingNodesAcrossDeletedSlots() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            int b = net.addNode(CPT, "B");
            int c = net.addNode(CPT, "C");
            net.deleteNode("B");
            Check.equal(2, net.getNodeCount());
            Check.equal(a, net.getFirstNode());
            Check.equal(c, net.getNextNode(a));
            // The handle of a deleted node still leads to the next live node.
            Check.equal(c, net.getNextNode(b));
            Check.equal(-1, net.getNextNode(c));
            Check.equal(-1, net.getNextNode(-7));
            Check.equal(-1, net.getNextNode(1000));
            // The largest handle must not wrap around to the first slot.
            Check.equal(-1, net.getNextNode(Integer.MAX_VALUE));
            Check.equal(-1, net.getNextNode(Integer.MIN_VALUE));
            Check.equal("[" + a + ", " + c + "]", Arrays.toString(net.getAllNodes()));
            Check.equal(List.of("A", "C"), Arrays.asList(net.getAllNodeIds()));
            Check.equal(c, net.getNode("C"));
            Check.equal("Invalid node id: B", message(() -> net.getNode("B")));
            Check.equal("Invalid node handle: " + b, message(() -> net.getNodeId(b)));
            Check.equal("Invalid node handle: " + b, message(() -> net.deleteNode(b)));
            Check.equal("Invalid node handle: -1", message(() -> net.getNodeName(-1)));
            Check.equal("String argument can't be null (nodeId)", message(() -> net.getNode(null)));
            net.deleteNode(a);
            net.deleteNode(c);
            Check.equal(-1, net.getFirstNode());
            Check.equal(0, net.getAllNodes().length);
        } finally {
            net.dispose();
        }
    }

    public void testNodeIdentifierNameAndDescription() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.addNode(CPT, "B");
            net.setNodeId(a, "Alpha");
            Check.equal(a, net.getNode("Alpha"));
            net.setNodeId("Alpha", "Beta2");
            Check.equal("Beta2", net.getNodeId(a));
            Check.equal("TARVO error -30 in function SetId. Logged information: "
                    + "Identifier [B] is already used by a node\n", message(() -> net.setNodeId(a, "B")));
            Check.equal(Fixtures.badIdentifier("9lives"), message(() -> net.setNodeId(a, "9lives")));
            Check.equal("Invalid node id: Gone", message(() -> net.setNodeId("Gone", "x")));
            Check.equal("Beta2", net.getNodeId(a));
            // The name stays what it was when the identifier changes.
            Check.equal("A", net.getNodeName(a));
            net.setNodeName(a, "First node");
            net.setNodeDescription("Beta2", "Described");
            Check.equal("First node", net.getNodeName("Beta2"));
            Check.equal("Described", net.getNodeDescription(a));
            net.setNodeName("Beta2", null);
            net.setNodeDescription(a, null);
            Check.equal(null, net.getNodeName(a));
            Check.equal(null, net.getNodeDescription("Beta2"));
        } finally {
            net.dispose();
        }
    }

    public void testNodeType() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.setNodeType(a, CPT);
            Check.equal(CPT, net.getNodeType(a));
            net.setNodeType("A", TRUTH_TABLE);
            Check.equal(TRUTH_TABLE, net.getNodeType("A"));
            Check.equal("TARVO error -2 in function setNodeType. Logged information: Unknown node type code: 3\n",
                    message(() -> net.setNodeType(a, 0x3)));
            Check.equal(TRUTH_TABLE, net.getNodeType(a));
        } finally {
            net.dispose();
        }
    }

    public void testArcs() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            int b = net.addNode(CPT, "B");
            int c = net.addNode(CPT, "C");
            net.addArc(a, c);
            net.addArc("B", "C");
            Check.equal("[" + a + ", " + b + "]", Arrays.toString(net.getParents(c)));
            Check.equal(List.of("A", "B"), Arrays.asList(net.getParentIds("C")));
            Check.equal("[" + c + "]", Arrays.toString(net.getChildren("A")));
            Check.equal(List.of("C"), Arrays.asList(net.getChildIds(b)));
            Check.equal(0, net.getParents("A").length);
            // The child table grew by the parents' outcomes.
            Check.equal(2, net.getOutcomeCount(c));
            String joined = "TARVO error -2 in function AddArc. Logged information: ERROR: Node ";
            Check.equal(joined + "[A] : an arc already joins it and [C]\n", message(() -> net.addArc(c, a)));
            Check.equal(joined + "[C] : an arc already joins it and [A]\n", message(() -> net.addArc(a, c)));
            net.deleteArc("A", "C");
            net.deleteArc(b, c);
            Check.equal(0, net.getChildren(a).length);
            Check.equal(0, net.getParentIds(c).length);
            Check.equal("TARVO error -2 in function RemoveArc. Logged information: ERROR: Node [C] : [A] is not one "
                    + "of its parents\n",
                    message(() -> net.deleteArc(a, c)));
        } finally {
            net.dispose();
        }
    }

    public void testArcArgumentsAreCheckedInOrder() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            // Handles: the parent first. Identifiers: the child first.
            Check.equal("Invalid node handle: -1", message(() -> net.addArc(-1, -2)));
            Check.equal("Invalid node handle: 5", message(() -> net.addArc(a, 5)));
            Check.equal("Invalid node id: Y", message(() -> net.addArc("X", "Y")));
            Check.equal("Invalid node id: X", message(() -> net.addArc("X", "A")));
            Check.equal("Invalid node handle: -3", message(() -> net.deleteArc(-3, -4)));
            Check.equal("Invalid node id: Y", message(() -> net.deleteArc("X", "Y")));
            Check.equal("Invalid node handle: 9", message(() -> net.getParents(9)));
            Check.equal("Invalid node id: Q", message(() -> net.getChildIds("Q")));
        } finally {
            net.dispose();
        }
    }
}
