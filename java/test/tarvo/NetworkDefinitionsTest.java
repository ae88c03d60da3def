package tarvo;

import java.util.Arrays;
import java.util.List;

/** Natives of node parameters: tables, noisy-MAX weights and strengths, DeMorgan nodes, costs. */
public class NetworkDefinitionsTest {
    private static final int CPT = 0x12;
    private static final int DEMORGAN = 0x52;
    private static final int NOISY_MAX = 0x92;
    private static final String NOISY_HINT = " (the type of this node is NoisyMax -- you need to pass noisy "
            + "weights as parameter, including constrained columns)";

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static List<Integer> strengths(int[] items) {
        return Arrays.stream(items).boxed().toList();
    }

    /** P (three outcomes, prior 0.5, 0.3, 0.2) -> noisy-MAX N (two outcomes, State1 the absent one). */
    private static Network noisyNetwork() {
        Network net = new Network();
        int p = net.addNode(CPT, "P");
        net.addOutcome(p, "third");
        net.setNodeDefinition(p, new double[] {0.5, 0.3, 0.2});
        int n = net.addNode(NOISY_MAX, "N");
        net.addArc(p, n);
        // Rows: P = State0, P = State1, P = third (no effect, constrained), leak.
        net.setNodeDefinition("N", new double[] {0.8, 0.2, 0.4, 0.6, 0, 1, 0.1, 0.9});
        return net;
    }

    public void testTablesAndIndexingParents() {
        Network net = noisyNetwork();
        try {
            Fixtures.near(new double[] {0.5, 0.3, 0.2}, net.getNodeDefinition("P"), "P");
            Fixtures.near(new double[] {0.8, 0.2, 0.4, 0.6, 0, 1, 0.1, 0.9}, net.getNodeDefinition(1), "N");
            net.updateBeliefs();
            // Only decisions index the values of other nodes; beliefs have no indexing parents.
            Check.equal(0, net.getValueIndexingParents(1).length);
            Check.equal(0, net.getValueIndexingParentIds("N").length);
            Check.equal("Invalid definition array size for node 'P': expected 3 and got 2",
                    message(() -> net.setNodeDefinition(0, new double[] {0.5, 0.5})));
            Check.equal("Invalid definition array size for node 'N': expected 8 and got 7" + NOISY_HINT,
                    message(() -> net.setNodeDefinition("N", new double[7])));
            Check.equal("Array argument can't be null", message(() -> net.setNodeDefinition(0, null)));
            // A refused array changes nothing, a new table makes the values stale.
            Check.isTrue(net.isValueValid("P"), "still valid");
            net.setNodeDefinition("P", new double[] {0.2, 0.3, 0.5});
            Check.isTrue(!net.isValueValid("P"), "stale");
            Check.equal("Value not valid - node 'P'", message(() -> net.getNodeValue("P")));
            // A table a save would not keep is refused and changes nothing: a noisy adder's derived table, a
            // truth table's column of probabilities; a truth table takes columns of one 1 and zeros.
            int adder = net.addNode(0x112, "Adder");
            double[] derived = net.getNodeDefinition(adder);
            Check.isTrue(message(() -> net.setNodeDefinition(adder, new double[derived.length]))
                    .contains("ERROR: Node [Adder] : the table of a noisy-adder node is computed from"), "adder");
            Fixtures.near(derived, net.getNodeDefinition(adder), "Adder");
            int truth = net.addNode(0x14, "T");
            net.addArc(0, truth);
            Check.isTrue(message(() -> net.setNodeDefinition(truth, new double[] {0, 1, 1, 0, 0.5, 0.5}))
                    .contains("ERROR: Node [T] : column 2 of the table is not one 1 and zeros"), "truth table");
            Fixtures.near(new double[] {1, 0, 1, 0, 1, 0}, net.getNodeDefinition(truth), "T");
            net.setNodeDefinition(truth, new double[] {0, 1, 1, 0, 0, 1});
            Fixtures.near(new double[] {0, 1, 1, 0, 0, 1}, net.getNodeDefinition(truth), "T");
        } finally {
            net.dispose();
        }
    }

    public void testNoisyMaxWeightsAndStrengths() {
        Network net = noisyNetwork();
        try {
            // P(N = State1 | p) = (absent weight of p's row) * 0.9 (leak).
            net.updateBeliefs();
            Fixtures.near(0.5 * 0.82 + 0.3 * 0.46 + 0.2 * 0.1, net.getNodeValue("N")[0], "N");
            Check.equal(List.of(0, 1, 2), strengths(net.getNoisyParentStrengths(1, 0)));
            // The first two rows now stand for State1 and State0 of P.
            net.setNoisyParentStrengths("N", "P", new int[] {1, 0, 2});
            Check.equal(List.of(1, 0, 2), strengths(net.getNoisyParentStrengths("N", "P")));
            net.updateBeliefs();
            Fixtures.near(0.5 * 0.46 + 0.3 * 0.82 + 0.2 * 0.1, net.getNodeValue("N")[0], "N reordered");
            net.setNoisyParentStrengths(1, 0, new int[] {0, 1, 2});
            net.setNoisyParentStrengths("N", 0, new int[] {1, 0, 2});
            net.setNoisyParentStrengths(1, "P", new int[] {0, 1, 2});
            Check.equal(List.of(0, 1, 2), strengths(net.getNoisyParentStrengths("N", 0)));
            Check.equal(3, net.getNoisyParentStrengths(1, "P").length);

            Check.equal("Invalid parent strength array size for node 'N': expected 3 and got 2",
                    message(() -> net.setNoisyParentStrengths("N", 0, new int[] {1, 0})));
            for (int[] bad : new int[][] {{0, 0, 2}, {0, 1, 3}, {-1, 0, 1}}) {
                Check.equal("Invalid parent strengths for node 'N': expected a permutation of 0..2",
                        message(() -> net.setNoisyParentStrengths(1, 0, bad)));
            }
            Check.equal("Invalid parent index 1 for node 'N', valid indices are 0..0",
                    message(() -> net.getNoisyParentStrengths(1, 1)));
            Check.equal("Invalid parent index -1 for node 'N', valid indices are 0..0",
                    message(() -> net.setNoisyParentStrengths("N", -1, new int[] {0, 1, 2})));
            Check.equal("Node 'P' must be of type NoisyMax",
                    message(() -> net.getNoisyParentStrengths(0, 0)));
            Check.equal("Node 'N' is not a child of node 'N'",
                    message(() -> net.setNoisyParentStrengths("N", "N", new int[] {0, 1, 2})));
            Check.equal(List.of(0, 1, 2), strengths(net.getNoisyParentStrengths(1, 0)));
        } finally {
            net.dispose();
        }
    }

    /** A kind that computes its table takes that table back (within 1e-12), and refuses another. */
    public void testComputedTablesAreTakenBack() {
        Network net = new Network();
        try {
            for (int kind : new int[] {DEMORGAN, 0x32, 0x112}) {
                int parent = net.addNode(kind == 0x112 ? 0x12 : kind, "P" + kind);
                int node = net.addNode(kind, "N" + kind);
                net.addArc(parent, node);
                double[] table = net.getNodeDefinition(node);
                table[0] += 1e-13;
                net.setNodeDefinition(node, table);
                table[0] += 0.1;
                table[1] -= 0.1;
                String refusal = message(() -> net.setNodeDefinition(node, table));
                Check.equal(true, refusal.startsWith("TARVO error -51 in function SetDefinition"));
                Check.equal(true, refusal.endsWith("and only that table is taken back; to set another, change the "
                        + "node's kind to 18 (setNodeType) first\n"));
            }
        } finally {
            net.dispose();
        }
    }

    public void testDeMorgan() {
        Network net = new Network();
        try {
            int cause = net.addNode(DEMORGAN, "Cause");
            int effect = net.addNode(DEMORGAN, "Effect");
            net.addArc(cause, effect);
            net.setDeMorganPriorBelief(effect, 0.3);
            net.setDeMorganParentType("Effect", "Cause", 2);
            net.setDeMorganParentWeight("Effect", 0, 0.6);
            Fixtures.near(0.3, net.getDeMorganPriorBelief("Effect"), "prior");
            Check.equal(2, net.getDeMorganParentType(effect, "Cause"));
            Fixtures.near(0.6, net.getDeMorganParentWeight(effect, 0), "weight");
            // A cause: x + (1 - x) w when the parent is True, the prior x otherwise.
            Fixtures.near(new double[] {0.72, 0.28, 0.3, 0.7}, net.getNodeDefinition(effect), "cause");
            net.setDeMorganParentType(effect, 0, 0);
            net.setDeMorganParentWeight(effect, "Cause", 0.5);
            Check.equal(0, net.getDeMorganParentType("Effect", 0));
            Fixtures.near(0.5, net.getDeMorganParentWeight("Effect", "Cause"), "weight");
            // An inhibitor: x (1 - w) when the parent is True.
            Fixtures.near(new double[] {0.15, 0.85, 0.3, 0.7}, net.getNodeDefinition(effect), "inhibitor");

            Check.equal("Invalid prior belief 1.5 for node 'Effect', valid priors are 0..1",
                    message(() -> net.setDeMorganPriorBelief(effect, 1.5)));
            Check.equal("Invalid prior belief nan for node 'Effect', valid priors are 0..1",
                    message(() -> net.setDeMorganPriorBelief(effect, Double.NaN)));
            Check.equal("Invalid prior belief -2.5 for node 'Effect', valid priors are 0..1",
                    message(() -> net.setDeMorganPriorBelief(effect, -2.5)));
            Fixtures.near(0.3, net.getDeMorganPriorBelief(effect), "prior kept");
            Check.equal("Invalid DeMorgan parent type 4 for node 'Effect', valid types are 0..3",
                    message(() -> net.setDeMorganParentType(effect, 0, 4)));
            String badIndex = " Logged information: ERROR: Node [Effect] : parent index 1 is outside 0..0 of its "
                    + "1 parent\n";
            Check.equal("TARVO error -2 in function SetParentType." + badIndex,
                    message(() -> net.setDeMorganParentType("Effect", 1, 1)));
            Check.equal("TARVO error -1 in function GetParentType." + badIndex,
                    message(() -> net.getDeMorganParentType(effect, 1)));
            Check.equal("TARVO error -2 in function SetParentWeight. Logged information: "
                    + "ERROR: Node [Effect] : parent weight nan is outside [0, 1]\n",
                    message(() -> net.setDeMorganParentWeight(effect, 0, Double.NaN)));
            Check.equal("TARVO error -1 in function GetParentWeight." + badIndex,
                    message(() -> net.getDeMorganParentWeight("Effect", 1)));
            Check.equal("TARVO error -2 in function SetParentWeight. Logged information: "
                    + "ERROR: Node [Effect] : parent weight 1.0000001 is outside [0, 1]\n",
                    message(() -> net.setDeMorganParentWeight(effect, 0, 1.0000001)));
            Check.equal("Invalid prior belief 1.0000001 for node 'Effect', valid priors are 0..1",
                    message(() -> net.setDeMorganPriorBelief(effect, 1.0000001)));
            Check.equal("Node 'Effect' is not a child of node 'Effect'",
                    message(() -> net.getDeMorganParentWeight("Effect", "Effect")));
            int cpt = net.addNode(CPT, "Plain");
            Check.equal("Node 'Plain' must be of type DeMorgan",
                    message(() -> net.getDeMorganPriorBelief(cpt)));
            Fixtures.near(new double[] {0.15, 0.85, 0.3, 0.7}, net.getNodeDefinition(effect), "unchanged");
        } finally {
            net.dispose();
        }
    }

    public void testEquationAndMauNativesCheckTheType() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            Check.equal("Node 'A' must be of type Equation", message(() -> net.setNodeEquation(a, "A=1")));
            Check.equal("Node 'A' must be of type Equation", message(() -> net.getNodeEquation("A")));
            Check.equal("Node 'A' must be of type Equation", message(() -> net.setNodeEquationBounds("A", 0, 1)));
            Check.equal("Node 'A' must be of type Equation", message(() -> net.getNodeEquationBounds(a)));
            Check.equal("Node 'A' must be of type MAU", message(() -> net.getMauExpressions(a)));
            Check.equal("Node 'A' must be of type MAU", message(() -> net.setMauExpressions("A", new String[0])));
        } finally {
            net.dispose();
        }
    }

    public void testCosts() {
        Network net = new Network();
        try {
            int test = net.addNode(CPT, "Test");
            net.addOutcome(test, "maybe");
            int repair = net.addNode(CPT, "Repair");
            net.addCostArc(test, repair);
            Check.equal(List.of(0), Arrays.stream(net.getCostParents(1)).boxed().toList());
            Check.equal(List.of("Test"), Arrays.asList(net.getCostParentIds("Repair")));
            Check.equal(List.of(1), Arrays.stream(net.getCostChildren("Test")).boxed().toList());
            Check.equal(List.of("Repair"), Arrays.asList(net.getCostChildIds(0)));
            Check.equal(0, net.getParents(1).length);
            // One cost per outcome of the cost parent.
            Fixtures.near(new double[3], net.getNodeCost("Repair"), "fresh");
            net.setNodeCost(1, new double[] {1, 2.5, -3});
            Fixtures.near(new double[] {1, 2.5, -3}, net.getNodeCost(1), "set");
            Check.equal("Invalid cost array size for node 'Repair': expected 3 and got 4",
                    message(() -> net.setNodeCost("Repair", new double[4])));
            Check.equal("Invalid cost for node 'Repair': element 1 is NaN; a cost must be a finite number",
                    message(() -> net.setNodeCost("Repair", new double[] {0, Double.NaN, 0})));
            Check.equal("Invalid cost for node 'Repair': element 2 is infinite; a cost must be a finite number",
                    message(() -> net.setNodeCost("Repair", new double[] {0, 0, Double.POSITIVE_INFINITY})));
            Fixtures.near(new double[] {1, 2.5, -3}, net.getNodeCost(1), "kept");
            // The child's identifier is resolved first.
            Check.equal("Invalid node id: Nope", message(() -> net.addCostArc("Test2", "Nope")));
            Check.equal("TARVO error -2 in function AddArc. Logged information: Arc cannot be added\n",
                    message(() -> net.addCostArc("Test", "Repair")));
            net.deleteCostArc("Test", "Repair");
            Check.equal("TARVO error -2 in function RemoveArc. Logged information: ERROR: Node [Repair] : [Test] is "
                    + "not one of its cost parents\n", message(() -> net.deleteCostArc("Test", "Repair")));
            Check.equal(0, net.getCostParents("Repair").length);
            Check.equal(0, net.getCostChildIds("Test").length);
        } finally {
            net.dispose();
        }
    }
}
