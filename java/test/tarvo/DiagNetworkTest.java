package tarvo;

import java.util.Arrays;

/** Diagnosis attributes of nodes and the troubleshooting natives of DiagNetwork. */
public class DiagNetworkTest {
    /** F and G are faults (outcome bad); T1 tests F, T2 tests both, T3 tests G only. */
    static final String DIAG = String.join("\n",
            "net Diag",
            "{",
            node("F", "ok, bad", "", "0.8, 0.2"),
            node("G", "ok, bad", "", "0.9, 0.1"),
            node("T1", "pos, neg", "F", "0.1, 0.9, 0.9, 0.1"),
            node("T2", "pos, neg", "F, G", "0.05, 0.95, 0.7, 0.3, 0.8, 0.2, 0.95, 0.05"),
            node("T3", "pos, neg", "G", "0.2, 0.8, 0.6, 0.4"),
            "};",
            "");

    private static final double EXCLUDED = 5 * Double.MIN_NORMAL;

    private static String node(String id, String states, String parents, String table) {
        return " node " + id + " { TYPE = CPT; HEADER = { ID = " + id + "; }; PARENTS = (" + parents + ");"
                + " DEFINITION = { NAMESTATES = (" + states + "); PROBABILITIES = (" + table + "); }; };";
    }

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** The roles of DIAG: F and G targets with fault "bad", the tests ranked observations. */
    private static Network diagnostic(String text) {
        Network net = Fixtures.read(text);
        net.setNodeDiagType("F", 0);
        net.setFaultOutcome("F", "bad", true);
        net.setNodeDiagType("G", 0);
        net.setFaultOutcome("G", 1, true);
        for (String test : new String[] {"T1", "T2", "T3"}) {
            net.setNodeDiagType(test, 1);
            net.setRanked(test, true);
        }
        return net;
    }

    private static double entropy(double p) {
        return p <= 0 || p >= 1 ? 0 : -(p * Math.log(p) + (1 - p) * Math.log(1 - p)) / Math.log(2);
    }

    public void testNodeAttributesDefaultsAndOverloads() {
        Network net = Fixtures.read(DIAG);
        try {
            int t1 = net.getNode("T1");
            Check.equal(2, net.getNodeDiagType(t1));
            Check.isTrue(!net.isRanked("T1") && !net.isMandatory(t1), "flags clear");
            Check.equal(-1, net.getDefaultOutcome("T1"));
            Check.equal(null, net.getDefaultOutcomeId(t1));
            Check.equal("", net.getNodeQuestion(t1));
            Check.isTrue(!net.isFaultOutcome(t1, 1) && !net.isFaultOutcome("T1", "pos"), "no fault marks");
            Check.equal("", net.getOutcomeFix(t1, 0));
            Check.equal("", net.getOutcomeDescription("T1", 1));
            Check.equal("", net.getOutcomeLabel(t1, "neg"));

            // A role the files cannot keep is refused.
            Check.equal("Invalid diagnostic type 7 for node 'T1', valid types are 0 (target), 1 (observation), 2 "
                    + "(auxiliary)", message(() -> net.setNodeDiagType(t1, 7)));
            Check.equal(2, net.getNodeDiagType("T1"));
            net.setRanked(t1, true);
            net.setMandatory("T1", true);
            Check.isTrue(net.isRanked(t1) && net.isMandatory("T1"), "flags set");
            net.setRanked("T1", false);
            net.setMandatory(t1, false);
            Check.isTrue(!net.isRanked("T1") && !net.isMandatory(t1), "flags cleared");
            net.setNodeQuestion(t1, "Is the X-ray shadowed?");
            net.setNodeQuestion("T2", "Second?");
            Check.equal("Is the X-ray shadowed?", net.getNodeQuestion("T1"));
            Check.equal("Second?", net.getNodeQuestion(net.getNode("T2")));

            net.setDefaultOutcome(t1, 1);
            Check.equal("neg", net.getDefaultOutcomeId("T1"));
            net.setDefaultOutcome("T1", -1);
            Check.equal(-1, net.getDefaultOutcome(t1));
            net.setDefaultOutcome("T1", "pos");
            Check.equal(0, net.getDefaultOutcome("T1"));
            net.setDefaultOutcome(t1, "neg");
            net.setDefaultOutcome("T1", 1);
            Check.equal("Invalid outcome index 2 for node 'T1', valid indices are 0..1",
                    message(() -> net.setDefaultOutcome(t1, 2)));
            Check.equal(1, net.getDefaultOutcome(t1));

            // Each text by every overload, read back by another.
            net.setOutcomeFix(t1, 0, "fix0");
            net.setOutcomeFix("T1", 1, "fix1");
            net.setOutcomeFix(t1, "pos", "fix0b");
            net.setOutcomeFix("T1", "neg", "fix1b");
            Check.equal("fix0b", net.getOutcomeFix("T1", 0));
            Check.equal("fix1b", net.getOutcomeFix("T1", "neg"));
            Check.equal("fix1b", net.getOutcomeFix(t1, "neg"));
            net.setOutcomeDescription(t1, 0, "d0");
            net.setOutcomeDescription("T1", 1, "d1");
            Check.equal("d0", net.getOutcomeDescription(t1, "pos"));
            net.setOutcomeDescription(t1, "neg", "d1b");
            net.setOutcomeDescription("T1", "pos", "d0b");
            Check.equal("d1b", net.getOutcomeDescription("T1", "neg"));
            Check.equal("d0b", net.getOutcomeDescription(t1, 0));
            net.setOutcomeLabel(t1, 0, "Shadow");
            net.setOutcomeLabel("T1", 1, "Clear");
            net.setOutcomeLabel(t1, "neg", "Clear2");
            net.setOutcomeLabel("T1", "pos", "Shadow2");
            Check.equal("Shadow2", net.getOutcomeLabel("T1", "pos"));
            Check.equal("Clear2", net.getOutcomeLabel("T1", 1));
            // A refused label raises its cause and leaves the old one.
            String[][] refused = {
                {"Shadow2", "Outcome label [Shadow2] is already used by node 'T1': Can't set the label of outcome 0"
                        + " of node 'T2', error code: -2"},
                {"a b", "Outcome label [a b] is not an identifier (a letter, then letters, digits or '_'): Can't"
                        + " set the label of outcome 0 of node 'T2', error code: -2"}};
            for (String[] row : refused) {
                Check.equal(row[1], message(() -> net.setOutcomeLabel("T2", 0, row[0])));
                Check.equal("", net.getOutcomeLabel(net.getNode("T2"), 0));
            }
            Check.equal("Outcome label [Clear2] is already used by another outcome of this node: Can't set the"
                    + " label of outcome 0 of node 'T1', error code: -2",
                    message(() -> net.setOutcomeLabel("T1", 0, "Clear2")));
            net.setFaultOutcome(t1, 0, true);
            net.setFaultOutcome("T1", 1, true);
            net.setFaultOutcome(t1, "pos", false);
            Check.isTrue(!net.isFaultOutcome("T1", 0) && net.isFaultOutcome(t1, "neg"), "marks");
            net.setFaultOutcome("T1", "neg", false);
            Check.isTrue(!net.isFaultOutcome("T1", "neg"), "mark cleared");
        } finally {
            net.dispose();
        }
    }

    public void testNodeAttributeArgumentChecks() {
        Network net = Fixtures.read(DIAG);
        try {
            Check.equal("Invalid node handle: 99", message(() -> net.getNodeDiagType(99)));
            Check.equal("Invalid node id: X", message(() -> net.setRanked("X", true)));
            Check.equal("Invalid node handle: -1", message(() -> net.setDefaultOutcome(-1, -1)));
            Check.equal("Invalid outcome identifier 'maybe' for node 'T1'",
                    message(() -> net.setOutcomeFix("T1", "maybe", "x")));
            Check.equal("Invalid outcome index 2 for node 'T1', valid indices are 0..1",
                    message(() -> net.isFaultOutcome("T1", 2)));
            Check.equal("Invalid outcome index -1 for node 'T1', valid indices are 0..1",
                    message(() -> net.getOutcomeLabel(net.getNode("T1"), -1)));
            Check.equal("String argument can't be null (question)", message(() -> net.setNodeQuestion("T1", null)));
            Check.equal("", net.getNodeQuestion("T1"));
        } finally {
            net.dispose();
        }
    }

    public void testSessionListsFaultsAndTests() {
        Network net = diagnostic(DIAG);
        DiagNetwork diag = new DiagNetwork(net);
        try {
            int f = net.getNode("F");
            int g = net.getNode("G");
            Check.equal(2, diag.getFaultCount());
            Check.equal(0, diag.getPursuedFault());
            Check.equal(0, diag.findMostLikelyFault());
            Check.isTrue(Arrays.equals(new int[] {0}, diag.getPursuedFaults()), "F pursued");
            FaultInfo fault = diag.getFault(0);
            Check.equal(f, fault.node);
            Check.equal(1, fault.outcome);
            Fixtures.near(0.2, fault.probability, "P(F bad)");
            Check.isTrue(fault.pursued && !diag.getFault(1).pursued, "pursued flags");
            Check.equal(g, diag.getFaultNode(1));
            Check.equal(1, diag.getFaultOutcome(1));
            Check.equal("G", diag.getFaultNodeId(1));
            Check.equal("bad", diag.getFaultOutcomeId(1));
            Check.equal(1, diag.getFaultIndex(g, 1));
            Check.equal(1, diag.getFaultIndex(g, "bad"));
            Check.equal(0, diag.getFaultIndex("F", 1));
            Check.equal(0, diag.getFaultIndex("F", "bad"));
            Check.equal("TARVO error -2 in function FindFault. Logged information: Outcome 0 of node [G] is no fault "
                    + "state\n", message(() -> diag.getFaultIndex(g, 0)));
            Check.equal("TARVO error -2 in function FindFault. Logged information: Outcome 0 of node handle 99 is no "
                    + "fault state\n", message(() -> diag.getFaultIndex(99, 0)));
            Check.equal("Invalid node handle: 99", message(() -> diag.getFaultIndex(99, "bad")));
            Check.equal("Invalid node id: H", message(() -> diag.getFaultIndex("H", 1)));
            Check.equal("Invalid outcome identifier 'worse' for node 'F'",
                    message(() -> diag.getFaultIndex("F", "worse")));
            for (Check.Body body : new Check.Body[] {() -> diag.getFault(2), () -> diag.getFaultNode(2),
                    () -> diag.getFaultOutcome(2), () -> diag.getFaultNodeId(2), () -> diag.getFaultOutcomeId(2),
                    () -> diag.setPursuedFault(2)}) {
                Check.equal("Invalid fault index 2; valid indices are 0..1", message(body));
            }
            Check.equal("Invalid fault index -1; valid indices are 0..1", message(() -> diag.getFault(-1)));

            diag.setPursuedFault(1);
            Check.equal(1, diag.getPursuedFault());
            diag.setPursuedFaults(new int[] {1, 0});
            Check.equal(-2, diag.getPursuedFault());
            Check.equal("TARVO error -2 in function SetPursuedFaults. Logged information: Invalid fault index 2; "
                    + "valid indices are 0..1\n", message(() -> diag.setPursuedFaults(new int[] {0, 2})));
            Check.equal("TARVO error -2 in function SetPursuedFaults. Logged information: No fault is given to "
                    + "pursue\n", message(() -> diag.setPursuedFaults(new int[0])));
            Check.equal("Array argument can't be null", message(() -> diag.setPursuedFaults(null)));
            Check.equal("TARVO error -2 in function SetPursuedFaults. Logged information: Fault index 0 is given "
                    + "twice; each fault is pursued once\n", message(() -> diag.setPursuedFaults(new int[] {0, 0})));
            // A target is observed like any node, and the next update takes it as evidence.
            diag.instantiateObservation("F", 1);
            Check.isTrue(Arrays.equals(new int[] {1, 0}, diag.getPursuedFaults()), "kept");
            Check.equal(3, diag.update(1).observations.length);
            Fixtures.near(1.0, diag.getFault(0).probability, "F seen bad");
            Fixtures.near(0.1, diag.getFault(1).probability, "G apart from F");

            Check.isTrue(!diag.getDSep(), "d-separation off at first");
            diag.setDSep(true);
            Check.isTrue(diag.getDSep(), "d-separation on");
            Check.isTrue(diag.mandatoriesInstantiated(), "no mandatory observation");
        } finally {
            diag.dispose();
            net.dispose();
        }
    }

    public void testObservationsEveryOverload() {
        Network net = diagnostic(DIAG);
        net.setMandatory("T2", true);
        DiagNetwork diag = new DiagNetwork(net);
        try {
            int t1 = net.getNode("T1");
            int t2 = net.getNode("T2");
            int t3 = net.getNode("T3");
            Check.equal(3, diag.getUnperformedTestCount());
            Check.isTrue(Arrays.equals(new int[] {t1, t2, t3}, diag.getUnperformedObservations()), "all open");
            Check.isTrue(Arrays.equals(new String[] {"T1", "T2", "T3"}, diag.getUnperformedObservationIds()), "ids");
            Check.isTrue(!diag.mandatoriesInstantiated(), "T2 still open");
            Check.equal("TARVO error -2 in function ComputeTestStrengths. Logged information: Mandatory observation "
                    + "[T2] has not been made: the tests are ranked once it is\n", message(() -> diag.update(0)));
            diag.instantiateObservation(t2, 0);
            Check.isTrue(diag.mandatoriesInstantiated(), "T2 made");
            diag.instantiateObservation(t1, "neg");
            diag.instantiateObservation("T3", 1);
            Check.equal(0, diag.getUnperformedTestCount());
            Check.equal(1, net.getEvidence("T1"));
            diag.instantiateObservation("T3", "pos");
            Check.equal(0, net.getEvidence(t3));
            Check.equal("Invalid outcome index 2 for node 'T1', valid indices are 0..1",
                    message(() -> diag.instantiateObservation(t1, 2)));
            Check.equal("Invalid outcome identifier 'maybe' for node 'T1'",
                    message(() -> diag.instantiateObservation("T1", "maybe")));
            Check.equal("Invalid node id: T9", message(() -> diag.instantiateObservation("T9", 0)));
            diag.releaseObservation(t3);
            diag.releaseObservation("T1");
            Check.isTrue(Arrays.equals(new String[] {"T3", "T1"}, diag.getUnperformedObservationIds()), "back");
            Check.equal("TARVO error -2 in function ReleaseObservation. Logged information: ERROR: Node [T1] : it is not "
                    + "observed: there is no observation to release\n", message(() -> diag.releaseObservation(t1)));
            Check.equal("Invalid node handle: 42", message(() -> diag.releaseObservation(42)));
            Check.equal("Invalid node id: T9", message(() -> diag.releaseObservation("T9")));
        } finally {
            diag.dispose();
            net.dispose();
        }
    }

    public void testUpdateRanksTestsAndSortsFaults() {
        Network net = diagnostic(DIAG);
        net.setNodeCost("T2", new double[] {0.25});
        DiagNetwork diag = new DiagNetwork(net);
        try {
            DiagResults results = diag.update(0);
            Check.equal(3, results.observations.length);
            // T1 alone by hand: P(T1 = pos) = 0.26.
            double t1 = Math.abs(entropy(0.2) - 0.26 * entropy(0.18 / 0.26) - 0.74 * entropy(0.02 / 0.74))
                    / entropy(0.2);
            for (int i = 0; i < 3; i++) {
                ObservationInfo o = results.observations[i];
                if (i > 0) {
                    Check.isTrue(results.observations[i - 1].strength >= o.strength, "descending");
                }
                if (o.node == net.getNode("T1")) {
                    Fixtures.near(t1, o.information, "T1 information");
                    Fixtures.near(t1, o.strength, "T1 without cost");
                }
                if (o.node == net.getNode("T2")) {
                    Fixtures.near(0.25, o.cost, "T2 cost");
                    Fixtures.near(o.information - 0.25, o.strength, "T2 score");
                }
            }
            Check.equal(0, results.faults[0].index);
            Fixtures.near(0.1, results.faults[1].probability, "P(G bad)");

            // d-separation: T3 cannot inform F and sorts last with its marker.
            diag.setDSep(true);
            results = diag.update(0);
            Check.equal(net.getNode("T3"), results.observations[2].node);
            Check.equal(EXCLUDED, results.observations[2].strength);
            // Observing T3 leaves only G above it: F is not computed, and sorts after G.
            diag.instantiateObservation("T3", 0);
            results = diag.update(0);
            Check.equal(1, results.faults[0].index);
            Check.equal(EXCLUDED, results.faults[1].probability);
            Check.equal(0.0, diag.getFault(0).probability);

            diag.setPursuedFaults(new int[] {0, 1});
            Check.equal("TARVO error -2 in function ComputeTestStrengths. Logged information: 2 faults are pursued "
                    + "and mode 64 chooses no ranking of several: add 1 (marginal probabilities), 2 (independent "
                    + "configurations) or 4 (joint configurations)\n", message(() -> diag.update(64)));
            for (int mode : new int[] {1, 2 | 16, 4 | 32}) {
                results = diag.update(mode);
                Check.equal(2, results.observations.length);
                Check.isTrue(results.faults[0].pursued && results.faults[1].pursued, "both pursued");
                // Bit 1 ranks before bit 2 and bit 2 before bit 4; bits no ranking defines change nothing.
                DiagResults chosen = diag.update(mode | (mode & 3) << 1 | 128);
                for (int i = 0; i < 2; i++)
                    Check.equal(results.observations[i].strength, chosen.observations[i].strength);
            }
        } finally {
            diag.dispose();
            net.dispose();
        }
    }

    public void testFaultTiesSortPursuedFirstThenByOutcome() {
        Network net = Fixtures.read(String.join("\n", "net Ties", "{", node("A", "x, y", "", "0.5, 0.5"),
                node("B", "x, y", "", "0.5, 0.5"), "};", ""));
        net.setNodeDiagType("A", 0);
        net.setNodeDiagType("B", 0);
        net.setFaultOutcome("A", 0, true);
        net.setFaultOutcome("A", 1, true);
        net.setFaultOutcome("B", 1, true);
        DiagNetwork diag = new DiagNetwork(net);
        try {
            Check.equal(2, diag.getPursuedFault());  // a later fault wins a tie
            DiagResults results = diag.update(0);
            Check.equal(0, results.observations.length);
            Check.equal(2, results.faults[0].index);
            Check.equal(0, results.faults[1].index);
            Check.equal(1, results.faults[2].index);
        } finally {
            diag.dispose();
            net.dispose();
        }
    }

    public void testWithoutFaultsNothingIsPursued() {
        Network net = Fixtures.read(DIAG);
        net.setNodeDiagType("T3", 1);
        net.setRanked("T3", true);
        net.setDefaultOutcome("T3", "neg");
        DiagNetwork diag = new DiagNetwork(net);
        try {
            Check.equal(1, net.getEvidence("T3"));  // its default, observed at creation
            Check.equal(0, diag.getUnperformedTestCount());
            Check.equal(0, diag.getFaultCount());
            Check.equal(-2, diag.getPursuedFault());
            Check.equal(-2, diag.findMostLikelyFault());
            Check.equal(0, diag.getPursuedFaults().length);
            Check.equal("Invalid fault index 0; the network has no faults", message(() -> diag.getFault(0)));
            Check.equal("TARVO error -2 in function ComputeTestStrengths. Logged information: No fault is pursued: the network has no "
                    + "fault states, or none was chosen with setPursuedFault\n", message(() -> diag.update(1)));
        } finally {
            diag.dispose();
            net.dispose();
        }
    }

    public void testChangedOrDisposedNetworkIsRefused() {
        Network net = diagnostic(DIAG);
        DiagNetwork diag = new DiagNetwork(net);
        String changed = "The network changed structurally since the diagnosis session was created";
        net.deleteNode("T3");
        Check.equal(changed, message(() -> diag.update(0)));
        Check.equal(changed, message(() -> diag.findMostLikelyFault()));
        Check.equal(changed, message(() -> diag.getFault(0)));
        Check.equal(changed, message(() -> diag.getUnperformedObservationIds()));
        net.dispose();
        String disposed = "The network of this diagnosis session has been disposed of";
        Check.equal(disposed, message(() -> diag.update(0)));
        Check.equal(disposed, message(() -> diag.instantiateObservation(0, 0)));
        Check.equal(disposed, message(() -> diag.mandatoriesInstantiated()));
        Check.equal(disposed, message(() -> diag.getFaultNodeId(0)));
        Check.equal(2, diag.getFaultCount());  // what the session alone holds stays readable
        diag.dispose();
        Check.equal("Object already disposed of", message(() -> diag.getFaultCount()));
        Check.equal("Object already disposed of", message(() -> new DiagNetwork(net)));
    }
}
