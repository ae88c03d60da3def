package tarvo;

/** Belief updating, the probability of evidence, targets and algorithm settings. */
public class NetworkBeliefsTest {
    private static final String[] ASIA_NODES = {
        "VisitAsia", "Smoker", "Tuberculosis", "LungCancer", "Bronchitis", "TbOrCancer", "XRay", "Dyspnea"};
    // P(node = yes) by exact enumeration of the joint distribution, without evidence...
    private static final double[] ASIA_PRIOR = {
        0.01, 0.5, 0.0104, 0.055, 0.45, 0.064828, 0.11029004, 0.4359706};
    // ... and given XRay = yes and Dyspnea = yes.
    private static final double[] ASIA_POSTERIOR = {
        0.013983660536, 0.785610386052, 0.113933325391, 0.621252796678, 0.681868538459, 0.728725092983, 1, 1};

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static void expectBeliefs(Network net, String[] ids, double[] yes) {
        for (int i = 0; i < ids.length; i++) {
            Fixtures.near(new double[] {yes[i], 1 - yes[i]}, net.getNodeValue(ids[i]), ids[i]);
        }
    }

    public void testTwoNodesByHand() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            net.updateBeliefs();
            // P(WetGrass = yes) = 0.2 * 0.9 + 0.8 * 0.3 = 0.42.
            Fixtures.near(new double[] {0.2, 0.8}, net.getNodeValue("Rain"), "Rain");
            Fixtures.near(new double[] {0.42, 0.58}, net.getNodeValue(net.getNode("WetGrass")), "WetGrass");
            Fixtures.near(1.0, net.probEvidence(), "no evidence");
            net.setEvidence("WetGrass", "yes");
            net.updateBeliefs();
            Fixtures.near(new double[] {0.18 / 0.42, 0.24 / 0.42}, net.getNodeValue("Rain"), "Rain | wet");
            Fixtures.near(new double[] {1, 0}, net.getNodeValue("WetGrass"), "WetGrass observed");
            Fixtures.near(0.42, net.probEvidence(), "P(wet)");
            net.setEvidence("WetGrass", "no");
            net.updateBeliefs();
            Fixtures.near(new double[] {0.02 / 0.58, 0.56 / 0.58}, net.getNodeValue("Rain"), "Rain | dry");
            Fixtures.near(0.58, net.probEvidence(), "P(dry)");
        } finally {
            net.dispose();
        }
    }

    public void testAsiaAgainstExactEnumeration() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            net.updateBeliefs();
            expectBeliefs(net, ASIA_NODES, ASIA_PRIOR);
            net.setEvidence("XRay", "yes");
            net.setEvidence("Dyspnea", "yes");
            net.updateBeliefs();
            expectBeliefs(net, ASIA_NODES, ASIA_POSTERIOR);
            Fixtures.near(0.0706701044, net.probEvidence(), "P(XRay = yes, Dyspnea = yes)");
            // The probability of evidence leaves the beliefs as they were.
            expectBeliefs(net, ASIA_NODES, ASIA_POSTERIOR);
            net.clearAllEvidence();
            net.updateBeliefs();
            expectBeliefs(net, ASIA_NODES, ASIA_PRIOR);
        } finally {
            net.dispose();
        }
    }

    public void testValuesAreValidOnlyAfterAnUpdate() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            Check.isTrue(!net.isValueValid("Rain"), "not computed yet");
            Check.equal("Value not valid - node 'Rain'", message(() -> net.getNodeValue("Rain")));
            net.updateBeliefs();
            Check.isTrue(net.isValueValid("Rain") && net.isValueValid(net.getNode("WetGrass")), "computed");
            // New evidence makes the beliefs of the other node stale.
            net.setEvidence("WetGrass", "yes");
            Check.isTrue(!net.isValueValid("Rain"), "stale");
            Check.equal("Value not valid - node 'Rain'",
                    message(() -> net.getNodeValue(net.getNode("Rain"))));
            Check.equal("Invalid node handle: 5", message(() -> net.getNodeValue(5)));
            Check.equal("Invalid node id: Sun", message(() -> net.isValueValid("Sun")));
        } finally {
            net.dispose();
        }
    }

    public void testTargets() {
        Network net = Fixtures.read(Fixtures.ASIA);
        try {
            int cancer = net.getNode("LungCancer");
            Check.isTrue(!net.isTarget(cancer), "no target yet");
            net.setTarget(cancer, true);
            net.setTarget("Bronchitis", true);
            Check.isTrue(net.isTarget("LungCancer") && net.isTarget(net.getNode("Bronchitis")), "marked");
            Check.equal("Cannot change target status for node 'LungCancer': it is a target already",
                    message(() -> net.setTarget(cancer, true)));
            net.setEvidence("XRay", "yes");
            net.setEvidence("Dyspnea", "yes");
            net.updateBeliefs();
            Fixtures.near(ASIA_POSTERIOR[3], net.getNodeValue(cancer)[0], "target LungCancer");
            Fixtures.near(ASIA_POSTERIOR[4], net.getNodeValue("Bronchitis")[0], "target Bronchitis");
            net.setTarget("Bronchitis", false);
            Check.isTrue(!net.isTarget("Bronchitis"), "unmarked");
            Check.equal("Cannot change target status for node 'Bronchitis': it is not a target",
                    message(() -> net.setTarget("Bronchitis", false)));
            net.clearAllTargets();
            Check.isTrue(!net.isTarget(cancer), "all unmarked");
            Check.equal("Invalid node handle: -1", message(() -> net.setTarget(-1, true)));
            Check.equal("Invalid node id: Fever", message(() -> net.isTarget("Fever")));
        } finally {
            net.dispose();
        }
    }

    public void testAlgorithmSettings() {
        Network net = new Network();
        try {
            Check.equal(1000, net.getSampleCount());
            Check.equal("Invalid sample count 0, it must be at least 1", message(() -> net.setSampleCount(0)));
            Check.equal("Invalid sample count -25, it must be at least 1", message(() -> net.setSampleCount(-25)));
            Check.equal(1000, net.getSampleCount());
            Check.equal(0, net.getBayesianAlgorithm());
            net.setBayesianAlgorithm(12);
            Check.equal(12, net.getBayesianAlgorithm());
            net.setBayesianAlgorithm(13);
            net.setBayesianAlgorithm(-1);
            Check.equal(12, net.getBayesianAlgorithm());
            Check.equal(0, net.getInfluenceDiagramAlgorithm());
            net.setInfluenceDiagramAlgorithm(1);
            net.setInfluenceDiagramAlgorithm(2);
            net.setInfluenceDiagramAlgorithm(-1);
            Check.equal(1, net.getInfluenceDiagramAlgorithm());
        } finally {
            net.dispose();
        }
    }

    public void testFailedUpdateListsOnlyItsOwnMessages() {
        // A read that succeeds with a warning leaves it in the log.
        String text = Fixtures.EXCLUSIVE.replace("PARENTS = (A);", "PARENTS = (A); BOGUS = 1;");
        Network net = Fixtures.read(text);
        try {
            // Each observation is possible, the two together are not.
            net.setEvidence("B", "yes");
            net.setEvidence("C", "yes");
            String expected = "TARVO error -26 in function UpdateBeliefs. Logged information: ";
            String first = message(net::updateBeliefs);
            Check.isTrue(first.startsWith(expected) && first.endsWith("\n"), first);
            Check.isTrue(!first.contains("BOGUS"), first);
            Check.equal(first, message(net::updateBeliefs));
            // Impossible evidence has probability zero; that is an answer, not a failure.
            Check.equal(0.0, net.probEvidence());
        } finally {
            net.dispose();
        }
    }

    public void testFailedProbabilityOfEvidence() {
        Network net = new Network();
        try {
            int decision = net.addNode(0x11, "Decide");
            int utility = net.addNode(0x8, "Payoff");
            net.addArc(decision, utility);
            net.setEvidence(decision, 0);
            String text = message(net::probEvidence);
            Check.isTrue(text.startsWith("TARVO error -1 in function CalcPropEvidence"), text);
        } finally {
            net.dispose();
        }
    }
}
