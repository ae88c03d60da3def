package tarvo;

/** Natives of discrete evidence: observed and propagated outcomes, clearing, refusals. */
public class NetworkEvidenceTest {
    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testEveryOverloadSetsTheSameEvidence() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            int xray = net.getNode("XRay");
            int smoker = net.getNode("Smoker");
            net.setEvidence(xray, 0);
            net.setEvidence("Dyspnea", 1);
            net.setEvidence(smoker, "no");
            net.setEvidence("VisitAsia", "yes");
            Check.equal(0, net.getEvidence(xray));
            Check.equal(1, net.getEvidence("Dyspnea"));
            Check.equal("no", net.getEvidenceId(smoker));
            Check.equal("yes", net.getEvidenceId("VisitAsia"));
            Check.isTrue(net.isEvidence(xray) && net.isRealEvidence("XRay"), "XRay observed");
            Check.isTrue(!net.isPropagatedEvidence(xray), "XRay observed, not propagated");
            // Observing another outcome replaces the first.
            net.setEvidence(xray, "no");
            Check.equal(1, net.getEvidence("XRay"));
        } finally {
            net.dispose();
        }
    }

    public void testEvidenceArgumentChecks() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            int xray = net.getNode("XRay");
            Check.equal("Invalid outcome index 2 for node 'XRay', valid indices are 0..1",
                    message(() -> net.setEvidence(xray, 2)));
            Check.equal("Invalid outcome index -1 for node 'XRay', valid indices are 0..1",
                    message(() -> net.setEvidence("XRay", -1)));
            Check.equal("Invalid outcome identifier 'maybe' for node 'XRay'",
                    message(() -> net.setEvidence(xray, "maybe")));
            Check.equal("Invalid node id: Fever", message(() -> net.setEvidence("Fever", "maybe")));
            Check.equal("Invalid node handle: 99", message(() -> net.setEvidence(99, "yes")));
            Check.equal("String argument can't be null (outcomeId)", message(() -> net.setEvidence(xray, (String) null)));
            Check.isTrue(!net.isEvidence(xray), "nothing was set");
        } finally {
            net.dispose();
        }
    }

    public void testNodeWithoutEvidence() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            int smoker = net.getNode("Smoker");
            Check.equal("Node 'Smoker' has no evidence set", message(() -> net.getEvidence(smoker)));
            Check.equal("Node 'Smoker' has no evidence set", message(() -> net.getEvidenceId("Smoker")));
            Check.isTrue(!net.isEvidence(smoker) && !net.isRealEvidence(smoker), "no evidence");
            Check.isTrue(!net.isPropagatedEvidence("Smoker"), "no propagated evidence");
            Check.equal("TARVO error -2 in function ClearEvidence. Logged information: ERROR: Node [Smoker] : it has no evidence "
                    + "to clear\n", message(() -> net.clearEvidence(smoker)));
            Check.equal("Invalid node handle: -4", message(() -> net.isEvidence(-4)));
        } finally {
            net.dispose();
        }
    }

    public void testClearingEvidence() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            net.setEvidence("XRay", "yes");
            net.setEvidence("Smoker", "no");
            net.clearEvidence("XRay");
            Check.isTrue(!net.isEvidence("XRay"), "XRay cleared");
            Check.isTrue(net.isEvidence("Smoker"), "Smoker kept");
            net.setEvidence("XRay", "no");
            net.clearAllEvidence();
            Check.isTrue(!net.isEvidence("XRay") && !net.isEvidence("Smoker"), "all cleared");
            // Clearing an empty network is no failure.
            net.clearAllEvidence();
        } finally {
            net.dispose();
        }
    }

    public void testEvidencePropagatedThroughATruthTable() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            net.setEvidence("Tuberculosis", "yes");
            Check.isTrue(net.isEvidence("TbOrCancer"), "TbOrCancer is fixed");
            Check.isTrue(net.isPropagatedEvidence("TbOrCancer") && !net.isRealEvidence("TbOrCancer"),
                    "by propagation only");
            Check.equal("yes", net.getEvidenceId("TbOrCancer"));
            Check.equal(0, net.getEvidence("TbOrCancer"));
            // Evidence that contradicts the propagated outcome is refused and changes nothing.
            Check.equal("TARVO error -2 in function SetEvidence. Logged information: ERROR: Node [TbOrCancer] : outcome "
                    + "[no] contradicts the evidence of other nodes\n",
                    message(() -> net.setEvidence("TbOrCancer", "no")));
            Check.equal("TARVO error -2 in function ClearEvidence. Logged information: ERROR: Node [TbOrCancer] : it has no "
                    + "evidence of its own to clear: the evidence of other nodes fixes its outcome\n",
                    message(() -> net.clearEvidence("TbOrCancer")));
            Check.equal("yes", net.getEvidenceId("TbOrCancer"));
            net.clearEvidence("Tuberculosis");
            Check.isTrue(!net.isEvidence("TbOrCancer"), "propagated evidence goes with its cause");
            // Backwards: "no" for the or-node fixes both of its parents.
            net.setEvidence("TbOrCancer", "no");
            Check.equal("no", net.getEvidenceId("Tuberculosis"));
            Check.equal("no", net.getEvidenceId("LungCancer"));
            net.clearAllEvidence();
            Check.isTrue(!net.isPropagatedEvidence("LungCancer"), "cleared with the rest");
        } finally {
            net.dispose();
        }
    }

    public void testAnOutcomeImpossibleByItsTableSaysSo() {
        Network net = Fixtures.read(String.join("\n",
                "net T {",
                " node P { TYPE = CPT; HEADER = { ID = P; }; PARENTS = ();",
                "   DEFINITION = { NAMESTATES = (p1, p2); PROBABILITIES = (0.5, 0.5); }; };",
                " node C { TYPE = CPT; HEADER = { ID = C; }; PARENTS = (P);",
                "   DEFINITION = { NAMESTATES = (c1, c2, c3); PROBABILITIES = (0.2, 0.3, 0.5, 0, 0.5, 0.5); }; };",
                " node R { TYPE = CPT; HEADER = { ID = R; }; PARENTS = ();",
                "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (1, 0); }; };",
                "};", ""));
        try {
            String refused = "TARVO error -2 in function SetEvidence. Logged information: ";
            Check.equal(refused + "Outcome [no] of node [R] is impossible\nERROR: Node [R] : outcome [no] has "
                    + "probability 0 in every column of its table\n", message(() -> net.setEvidence("R", "no")));
            net.setEvidence("P", "p2");
            Check.equal(refused + "Outcome [c1] of node [C] is impossible\nERROR: Node [C] : outcome [c1] has "
                    + "probability 0 in its table given the evidence on [P]\n", message(() -> net.setEvidence("C", "c1")));
            Check.isTrue(!net.isEvidence("C"), "C stays unobserved");
        } finally {
            net.dispose();
        }
    }

    public void testEvidenceAgainstAPropagatedOutcome() {
        Network net = Fixtures.read(Fixtures.EXCLUSIVE);
        try {
            // A = a2 rules out C = yes, so C is fixed at "no".
            net.setEvidence("A", "a2");
            Check.equal("no", net.getEvidenceId("C"));
            Check.equal("TARVO error -2 in function SetEvidence. Logged information: ERROR: Node [C] : outcome [yes] "
                    + "contradicts the evidence of other nodes\n", message(() -> net.setEvidence("C", "yes")));
            Check.isTrue(!net.isRealEvidence("C") && net.isPropagatedEvidence("C"), "C stays propagated");
        } finally {
            net.dispose();
        }
    }

    public void testConflictingEvidenceIsRefusedWithTheLoggedReason() {
        // B = yes rules out a3, C = yes allows only a3.
        String text = String.join("\n",
                "net Conflict",
                "{",
                " node A { TYPE = CPT; HEADER = { ID = A; }; PARENTS = ();",
                "   DEFINITION = { NAMESTATES = (a1, a2, a3); PROBABILITIES = (0.2, 0.3, 0.5); }; };",
                " node B { TYPE = CPT; HEADER = { ID = B; }; PARENTS = (A);",
                "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.5, 0.5, 0.5, 0.5, 0, 1); }; };",
                " node C { TYPE = CPT; HEADER = { ID = C; }; PARENTS = (A);",
                "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0, 1, 0, 1, 0.5, 0.5); }; };",
                "};",
                "");
        Network net = Fixtures.read(text);
        try {
            net.setEvidence("B", "yes");
            String refused = message(() -> net.setEvidence("C", "yes"));
            Check.isTrue(refused.startsWith("TARVO error -26 in function SetEvidence. Logged information: "),
                    refused);
            Check.isTrue(refused.endsWith("\n"), refused);
            Check.isTrue(!net.isEvidence("C") && !net.isEvidence("A"),
                    "nothing of the refused evidence stays");
            Check.equal("yes", net.getEvidenceId("B"));
            // The text emptied the log.
            Check.equal("TARVO error -2 in function ClearEvidence. Logged information: ERROR: Node [C] : it has no evidence to "
                    + "clear\n", message(() -> net.clearEvidence("C")));
        } finally {
            net.dispose();
        }
    }
}
