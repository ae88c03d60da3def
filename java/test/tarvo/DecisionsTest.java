package tarvo;

/** Influence diagrams, multi-attribute utility expressions, value of information and annealed MAP. */
public class DecisionsTest {
    /** The oil wildcatter: test, then drill unless the seismic result is diffuse; 22.5 expected. */
    static final String WILDCATTER = String.join("\n",
            "net Wildcatter",
            "{",
            " node Oil { TYPE = CPT; HEADER = { ID = Oil; }; PARENTS = ();",
            "   DEFINITION = { NAMESTATES = (dry, wet, soaking); PROBABILITIES = (0.5, 0.3, 0.2); }; };",
            " node Test { TYPE = LIST; HEADER = { ID = Test; }; PARENTS = ();",
            "   DEFINITION = { NAMECHOICES = (yes, no); }; };",
            " node Seismic { TYPE = CPT; HEADER = { ID = Seismic; }; PARENTS = (Oil, Test);",
            "   DEFINITION = { NAMESTATES = (closed, open, diffuse); PROBABILITIES = (0.1, 0.3, 0.6, "
                    + "0.3333333333333333, 0.3333333333333333, 0.3333333333333334, 0.3, 0.4, 0.3, "
                    + "0.3333333333333333, 0.3333333333333333, 0.3333333333333334, 0.5, 0.4, 0.1, "
                    + "0.3333333333333333, 0.3333333333333333, 0.3333333333333334); }; };",
            " node Drill { TYPE = LIST; HEADER = { ID = Drill; }; PARENTS = (Test, Seismic);",
            "   DEFINITION = { NAMECHOICES = (yes, no); }; };",
            " node TestCost { TYPE = TABLE; HEADER = { ID = TestCost; }; PARENTS = (Test);",
            "   DEFINITION = { UTILITIES = (-10, 0); }; };",
            " node Payoff { TYPE = TABLE; HEADER = { ID = Payoff; }; PARENTS = (Drill, Oil);",
            "   DEFINITION = { UTILITIES = (-70, 50, 200, 0, 0, 0); }; };",
            "};",
            "");

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    public void testBothSolversOnTheWildcatter() {
        Network net = Fixtures.read(WILDCATTER);
        try {
            net.updateBeliefs();
            Fixtures.near(new double[] {22.5, 20}, net.getNodeValue("Test"), "Test");
            Check.equal(2, net.getValueIndexingParents("Drill").length);
            net.setInfluenceDiagramAlgorithm(1);
            net.updateBeliefs();
            Fixtures.near(new double[] {1, 0}, net.getNodeValue("Test"), "best policy");
            net.setEvidence("Test", "yes");
            net.setEvidence("Seismic", "diffuse");
            net.updateBeliefs();
            Fixtures.near(new double[] {0, 1}, net.getNodeValue("Drill"), "no drilling when diffuse");
            net.clearEvidence("Seismic");
            Check.equal("TARVO error -2 in function UpdateBeliefs. Logged information: "
                    + "Decision [Drill]: its best choice depends on [Seismic], which it observes; entering its "
                    + "evidence answers\n"
                    + "Can't solve this network using best policy algorithm\n",
                    message(net::updateBeliefs));
            // Evidence of probability zero away from the decisions: c0 is certainly 1, and then c1 is 0.
            net.setEvidence("Seismic", "diffuse");
            net.addNode(0x12, "c0");
            net.addOutcome("c0", "c");
            net.setNodeDefinition("c0", new double[] {0, 1, 0});
            net.addNode(0x12, "c1");
            net.addArc("c0", "c1");
            net.setNodeDefinition("c1", new double[] {0.5, 0.5, 1, 0, 0, 1});
            net.setEvidence("c1", 1);
            for (int algorithm : new int[] {0, 1}) {
                net.setInfluenceDiagramAlgorithm(algorithm);
                Check.isTrue(message(net::updateBeliefs).startsWith("TARVO error -26 in function UpdateBeliefs"),
                        "impossible evidence refused");
            }
        } finally {
            net.dispose();
        }
    }

    public void testMauExpressions() {
        Network net = Fixtures.read(WILDCATTER);
        try {
            int m = net.addNode(0x208, "Total");
            net.addArc("TestCost", "Total");
            net.addArc("Payoff", "Total");
            Check.equal(0, net.getMauExpressions(m).length);
            net.setMauExpressions("Total", new String[] {"2*TestCost+Payoff"});
            Check.equal("[2*TestCost+Payoff]", java.util.Arrays.toString(net.getMauExpressions("Total")));
            Check.equal("Invalid expression at index 0: self-references not allowed",
                    message(() -> net.setMauExpressions(m, new String[] {"Total"})));
            Check.equal("Invalid expression at index 0: unknown identifier [Nobody]",
                    message(() -> net.setMauExpressions(m, new String[] {"2*Nobody"})));
            Check.equal("Wrong vector size: 2 expressions where the node takes 1, one for each configuration of its "
                    + "decision parents", message(() -> net.setMauExpressions(m, new String[] {"1", "2"})));
            Check.equal("Node 'Oil' must be of type MAU", message(() -> net.getMauExpressions("Oil")));
            // Doubling the test cost: testing costs 20, and 20 + 1 + 11.5 - 20 = 12.5 is below drilling blind.
            net.updateBeliefs();
            Fixtures.near(new double[] {12.5, 20}, net.getNodeValue("Test"), "Test under 2*cost");
            net.setMauExpressions(m, null);
            Check.equal(0, net.getMauExpressions(m).length);
        } finally {
            net.dispose();
        }
    }

    public void testValueOfPerfectInformation() {
        Network net = Fixtures.read(WILDCATTER);
        ValueOfInfo voi = new ValueOfInfo(net);
        try {
            Check.equal(-1, voi.getDecision());
            Check.equal(0, voi.getValues().length);
            Check.equal("[Test, Seismic, Drill]", java.util.Arrays.toString(voi.getAllActionIds()));
            Check.equal("[Test, Drill]", java.util.Arrays.toString(voi.getAllDecisionIds()));
            voi.addNode("Oil");
            Check.equal("Cannot add node Oil to ValueOfInfo object: it is among the nodes to observe already",
                    message(() -> voi.addNode("Oil")));
            Check.equal("Cannot remove node Seismic to ValueOfInfo object: it is not among the nodes to observe",
                    message(() -> voi.removeNode("Seismic")));
            Check.equal("Cannot set decision on ValueOfInfo object to node Oil: it is no decision (getAllDecisions "
                    + "lists them)", message(() -> voi.setDecision("Oil")));
            Check.equal("Cannot set point of view on ValueOfInfo object to node Oil: it is neither a decision nor a "
                    + "node observed before one (getAllActions lists them)", message(() -> voi.setPointOfView("Oil")));
            Check.equal("Invalid node handle: 99", message(() -> voi.setPointOfView(99)));
            voi.setDecision("Drill");
            Check.equal("Cannot add node Drill to ValueOfInfo object: it is the decision, which cannot be observed "
                    + "before it is made", message(() -> voi.addNode("Drill")));
            Check.equal("Cannot add node Payoff to ValueOfInfo object: it is a utility node, which has no outcomes "
                    + "to observe", message(() -> voi.addNode("Payoff")));
            Check.equal("Drill", voi.getPointOfViewId());
            voi.setPointOfView("Test");
            voi.setDecision("Test");
            Check.equal("Cannot set point of view on ValueOfInfo object to node Drill: it comes after the decision "
                    + "[Test]", message(() -> voi.setPointOfView("Drill")));
            voi.setDecision("Drill");
            voi.setPointOfView("Drill");
            voi.update();
            Check.equal("[Test, Seismic]", java.util.Arrays.toString(voi.getIndexingNodeIds()));
            Fixtures.near(new double[] {24.5 / 0.24 - 87.5, 30, 8.5 / 0.41, 35, 35, 35}, voi.getValues(), "VOI");
            Check.equal("[Oil]", java.util.Arrays.toString(voi.getAllNodeIds()));
        } finally {
            voi.dispose();
            net.dispose();
        }
    }

    /** X = 1 cannot occur: no expected utility and no value of information for it, the undefined marker. */
    public void testValueOfInformationOfAnImpossibleObservation() {
        Network net = new Network();
        try {
            for (String id : new String[] {"X", "Y"}) net.addNode(0x12, id);
            net.addNode(0x11, "D");
            net.addNode(0x8, "U");
            net.setNodeDefinition("X", new double[] {1, 0});
            for (String[] arc : new String[][] {{"X", "D"}, {"X", "U"}, {"Y", "U"}, {"D", "U"}}) net.addArc(arc[0], arc[1]);
            net.setNodeDefinition("U", new double[] {10, 0, 0, 10, 3, 0, 0, 7});
            ValueOfInfo voi = new ValueOfInfo(net);
            try {
                voi.setDecision("D");
                voi.addNode("Y");
                voi.update();
                Check.equal("[X]", java.util.Arrays.toString(voi.getIndexingNodeIds()));
                Check.equal("[5.0, " + 2 * Double.MIN_NORMAL + "]", java.util.Arrays.toString(voi.getValues()));
            } finally {
                voi.dispose();
            }
        } finally {
            net.dispose();
        }
    }

    public void testAnnealedMap() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            net.setEvidence("WetGrass", "yes");
            AnnealedMapTuning tuning = new AnnealedMapTuning();
            tuning.randSeed = 3;
            AnnealedMapResults results = net.annealedMap(new String[] {"Rain"}, tuning);
            Check.equal("[1]", java.util.Arrays.toString(results.mapStates));
            Fixtures.near(0.24 / 0.42, results.probM1E, "P(no rain | wet)");
            Fixtures.near(0.42, results.probE, "P(wet)");
            results = net.annealedMap(new int[] {net.getNode("Rain")}, null);
            Check.equal("[1]", java.util.Arrays.toString(results.mapStates));
            Check.equal("TARVO error -2 in function AnnealedMAP. Logged information: "
                    + "Invalid node handle among the annealed MAP nodes: 99\n",
                    message(() -> net.annealedMap(new int[] {99}, null)));
            Check.equal("Invalid node id: Snow", message(() -> net.annealedMap(new String[] {"Snow"}, null)));
            // Settings out of range are refused; those of a failed search are not kept.
            tuning.speed = 5;
            Check.equal("Invalid annealed MAP tuning: speed 5, it must be in [0.5, 0.99]",
                    message(() -> net.annealedMap(new String[] {"Rain"}, tuning)));
            tuning.speed = 0.8;
            tuning.kReheat = Double.POSITIVE_INFINITY;
            Check.equal("Invalid annealed MAP tuning: kReheat inf, it must be finite and above 0",
                    message(() -> net.annealedMap(new String[] {"Rain"}, tuning)));
            tuning.kReheat = 0.1;
            tuning.numCycle = Integer.MAX_VALUE;
            Check.isTrue(message(() -> net.annealedMap(new String[] {"Rain"}, tuning)).startsWith(
                    "TARVO error -42 in function AnnealedMAP"), "a search past the limit");
            Check.equal("[1]", java.util.Arrays.toString(net.annealedMap(new String[] {"Rain"}, null).mapStates));
        } finally {
            net.dispose();
        }
    }
}
