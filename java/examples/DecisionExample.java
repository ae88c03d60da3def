import java.util.Locale;

import tarvo.Network;
import tarvo.TARVOException;

/**
 * Builds the oil wildcatter's influence diagram call by call (should one pay 10 for a seismic test before
 * deciding whether to drill?), solves it and prints the expected utility of each choice of the first
 * decision, the drilling policy for each test result, and the best first choice.
 *
 * <pre>
 * java -Djava.library.path=LIBDIR -cp vovido.jar:vovido-decision-example.jar DecisionExample
 * </pre>
 */
public final class DecisionExample {
    private static final int DECISION = 0x11;
    private static final int CHANCE = 0x12;
    private static final int UTILITY = 0x8;

    private DecisionExample() {
    }

    public static void main(String[] args) {
        Network net = new Network();
        int status = 0;
        try {
            build(net);
            net.updateBeliefs();
            double[] test = net.getNodeValue("Test");
            System.out.println(String.format(Locale.ROOT, "Test yes=%.4f no=%.4f", test[0], test[1]));
            // Drill's expected utilities by (Test, Seismic), the choices last.
            double[] drill = net.getNodeValue("Drill");
            for (int result = 0; result < 3; result++) {
                double yes = drill[2 * result];
                double no = drill[2 * result + 1];
                System.out.println(String.format(Locale.ROOT, "After a test, %s: drill=%.4f skip=%.4f -> %s",
                        net.getOutcomeId("Seismic", result), yes, no, yes > no ? "drill" : "skip"));
            }
            net.setInfluenceDiagramAlgorithm(1);
            net.updateBeliefs();
            double[] best = net.getNodeValue("Test");
            System.out.println("Best first decision: " + (best[0] == 1.0 ? "test" : "no test"));
        } catch (TARVOException e) {
            System.err.println("DecisionExample: " + e.getMessage());
            status = 1;
        } finally {
            net.dispose();
        }
        System.exit(status);
    }

    private static void outcomes(Network net, String id, String... names) {
        for (int i = 0; i < names.length; i++) {
            if (i < net.getOutcomeCount(id)) {
                net.setOutcomeId(id, i, names[i]);
            } else {
                net.addOutcome(id, names[i]);
            }
        }
    }

    private static void build(Network net) {
        net.addNode(CHANCE, "Oil");
        outcomes(net, "Oil", "dry", "wet", "soaking");
        net.setNodeDefinition("Oil", new double[] {0.5, 0.3, 0.2});
        net.addNode(DECISION, "Test");
        outcomes(net, "Test", "yes", "no");
        net.addNode(CHANCE, "Seismic");
        outcomes(net, "Seismic", "closed", "open", "diffuse");
        net.addArc("Oil", "Seismic");
        net.addArc("Test", "Seismic");
        double third = 1.0 / 3;
        net.setNodeDefinition("Seismic", new double[] {
            0.1, 0.3, 0.6, third, third, third,
            0.3, 0.4, 0.3, third, third, third,
            0.5, 0.4, 0.1, third, third, third});
        net.addNode(DECISION, "Drill");
        outcomes(net, "Drill", "yes", "no");
        net.addArc("Test", "Drill");
        net.addArc("Seismic", "Drill");
        net.addNode(UTILITY, "TestCost");
        net.addArc("Test", "TestCost");
        net.setNodeDefinition("TestCost", new double[] {-10, 0});
        net.addNode(UTILITY, "Payoff");
        net.addArc("Drill", "Payoff");
        net.addArc("Oil", "Payoff");
        net.setNodeDefinition("Payoff", new double[] {-70, 50, 200, 0, 0, 0});
    }
}
