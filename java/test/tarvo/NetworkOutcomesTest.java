package tarvo;

import java.util.Arrays;
import java.util.List;

/** Natives of outcomes: counting, adding, inserting, deleting and renaming them. */
public class NetworkOutcomesTest {
    private static final int CPT = 0x12;
    private static final int UTILITY = 0x8;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testAddInsertAndList() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            Check.equal(List.of("State0", "State1"), Arrays.asList(net.getOutcomeIds(a)));
            net.addOutcome(a, "high");
            net.addOutcome("A", "top");
            net.insertOutcome(a, 0, "low");
            net.insertOutcome("A", 2, "mid");
            Check.equal(List.of("low", "State0", "mid", "State1", "high", "top"),
                    Arrays.asList(net.getOutcomeIds("A")));
            Check.equal(6, net.getOutcomeCount(a));
            Check.equal(6, net.getOutcomeCount("A"));
            Check.equal("mid", net.getOutcomeId(a, 2));
            Check.equal("top", net.getOutcomeId("A", 5));
            Check.equal("TARVO error -2 in function InsertOutcome. Logged information: ERROR: Node [A] : "
                    + "position 9 is outside 0..6\n",
                    message(() -> net.insertOutcome(a, 9, "x")));
            Check.equal(6, net.getOutcomeCount(a));
            // An identifier the node already has is replaced by a fresh one.
            net.addOutcome(a, "mid");
            String[] ids = net.getOutcomeIds(a);
            Check.equal(7, ids.length);
            Check.equal(7L, Arrays.stream(ids).distinct().count());
        } finally {
            net.dispose();
        }
    }

    public void testOutcomeIdentifierIsCheckedBeforeTheNode() {
        Network net = new Network();
        try {
            net.addNode(CPT, "A");
            Check.equal(Fixtures.badIdentifier("2nd"), message(() -> net.addOutcome(7, "2nd")));
            Check.equal(Fixtures.badIdentifier("a-b"), message(() -> net.insertOutcome(7, 0, "a-b")));
            Check.equal("Invalid node handle: 7", message(() -> net.addOutcome(7, "ok")));
            // An identifier overload resolves the node before it looks at the outcome.
            Check.equal("Invalid node id: Nope", message(() -> net.addOutcome("Nope", "2nd")));
            Check.equal("Invalid node id: Nope", message(() -> net.insertOutcome("Nope", 0, "2nd")));
            Check.equal("String argument can't be null (outcomeId)", message(() -> net.addOutcome("A", null)));
        } finally {
            net.dispose();
        }
    }

    public void testDeleteOutcome() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.addOutcome(a, "s2");
            net.addOutcome(a, "s3");
            net.deleteOutcome(a, 0);
            net.deleteOutcome("A", "s2");
            Check.equal(List.of("State1", "s3"), Arrays.asList(net.getOutcomeIds(a)));
            Check.equal("Invalid outcome index 5 for node 'A', valid indices are 0..1",
                    message(() -> net.deleteOutcome(a, 5)));
            Check.equal("Invalid outcome index -1 for node 'A', valid indices are 0..1",
                    message(() -> net.deleteOutcome("A", -1)));
            Check.equal("Invalid outcome identifier 'zz' for node 'A'",
                    message(() -> net.deleteOutcome(a, "zz")));
            Check.equal("Invalid node id: B", message(() -> net.deleteOutcome("B", "zz")));
            // Two outcomes are the least a node keeps.
            String twoLeft = "TARVO error -2 in function RemoveOutcome. Logged information: ERROR: Node [A] : "
                    + "it keeps at least two outcomes\n";
            Check.equal(twoLeft, message(() -> net.deleteOutcome(a, 1)));
            Check.equal(twoLeft,
                    message(() -> net.deleteOutcome("A", "State1")));
            Check.equal(List.of("State1", "s3"), Arrays.asList(net.getOutcomeIds(a)));
        } finally {
            net.dispose();
        }
    }

    public void testRenameOutcome() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.setOutcomeId(a, 0, "present");
            net.setOutcomeId("A", 1, "absent");
            Check.equal(List.of("present", "absent"), Arrays.asList(net.getOutcomeIds("A")));
            // The definition applies its own identifier rule and refuses duplicates.
            Check.equal("TARVO error -2 in function RenameOutcome. Logged information: ERROR: Node [A] : "
                    + "[1x] is not an identifier: it must start with a letter and hold only letters, digits and "
                    + "underscores\n",
                    message(() -> net.setOutcomeId(a, 0, "1x")));
            Check.equal("TARVO error -2 in function RenameOutcome. Logged information: ERROR: Node [A] : "
                    + "outcome identifier [absent] is already used by outcome 1\n",
                    message(() -> net.setOutcomeId(a, 0, "absent")));
            Check.equal("Invalid outcome index 2 for node 'A', valid indices are 0..1",
                    message(() -> net.setOutcomeId(a, 2, "third")));
            Check.equal("Invalid outcome index 3 for node 'A', valid indices are 0..1",
                    message(() -> net.getOutcomeId(a, 3)));
            Check.equal("present", net.getOutcomeId(a, 0));
        } finally {
            net.dispose();
        }
    }

    public void testNodeWithoutOutcomes() {
        Network net = new Network();
        try {
            int u = net.addNode(UTILITY, "U");
            // A kind without outcomes has no count.
            Check.equal("TARVO error -51 in function GetNumberOfOutcomes. Logged information: ERROR: Node [U] : a "
                    + "utility node has no outcomes (only the discrete kinds have)\n", message(() -> net.getOutcomeCount(u)));
            Check.equal("TARVO error -51 in function AddOutcome. Logged information: ERROR: Node [U] : a utility node "
                    + "has no outcomes (only the discrete kinds have)\n", message(() -> net.addOutcome(u, "yes")));
            Check.equal(0, net.getOutcomeIds("U").length);
            Check.equal("Invalid outcome index 0 for node 'U': it has no outcomes",
                    message(() -> net.getOutcomeId(u, 0)));
            Check.equal("Invalid outcome identifier 'yes' for node 'U'",
                    message(() -> net.deleteOutcome(u, "yes")));
        } finally {
            net.dispose();
        }
    }
}
