import java.util.HashMap;
import java.util.Locale;
import java.util.Map;

import tarvo.DiagNetwork;
import tarvo.DiagResults;
import tarvo.FaultInfo;
import tarvo.Network;
import tarvo.ObservationInfo;
import tarvo.TARVOException;

/**
 * A troubleshooting session on the "visit to Asia" network: the three diseases are the faults, the
 * X-ray, dyspnoea, a visit to Asia and smoking are the tests (the X-ray costs a little). Each round ranks
 * the open tests, performs the best one and ranks again, until a fault is likely enough or no test is
 * left. A test's result is taken from the command line (NODE=OUTCOME); a test without one there gets its
 * most likely outcome.
 *
 * <pre>
 * java -Djava.library.path=LIBDIR -cp vovido.jar:vovido-troubleshooting.jar TroubleshootingExample FILE [NODE=OUTCOME ...]
 * </pre>
 */
public final class TroubleshootingExample {
    private static final double ENOUGH = 0.9;

    private TroubleshootingExample() {
    }

    public static void main(String[] args) {
        if (args.length < 1) {
            System.err.println("usage: TroubleshootingExample FILE [NODE=OUTCOME ...]");
            System.exit(2);
        }
        Map<String, String> answers = new HashMap<>();
        for (int i = 1; i < args.length; i++) {
            int equals = args[i].indexOf('=');
            if (equals < 0) {
                System.err.println("TroubleshootingExample: '" + args[i] + "' is not NODE=OUTCOME");
                System.exit(2);
            }
            answers.put(args[i].substring(0, equals), args[i].substring(equals + 1));
        }
        int status = 0;
        Network net = new Network();
        DiagNetwork diag = null;
        try {
            net.readFile(args[0]);
            for (String disease : new String[] {"Tuberculosis", "LungCancer", "Bronchitis"}) {
                net.setNodeDiagType(disease, 0);
                net.setFaultOutcome(disease, "yes", true);
            }
            for (String test : new String[] {"XRay", "Dyspnea", "VisitAsia", "Smoker"}) {
                net.setNodeDiagType(test, 1);
                net.setRanked(test, true);
            }
            net.setNodeCost("XRay", new double[] {0.02});
            diag = new DiagNetwork(net);
            troubleshoot(net, diag, answers);
        } catch (TARVOException e) {
            System.err.println("TroubleshootingExample: " + e.getMessage());
            status = 1;
        } finally {
            if (diag != null) {
                diag.dispose();
            }
            net.dispose();
        }
        System.exit(status);
    }

    private static void troubleshoot(Network net, DiagNetwork diag, Map<String, String> answers) {
        for (int round = 1;; round++) {
            // Pursue the fault that is now the most likely one.
            diag.setPursuedFault(diag.findMostLikelyFault());
            DiagResults results = diag.update(0);
            FaultInfo top = results.faults[0];
            System.out.println("Round " + round + ": pursuing " + faultName(net, top));
            for (FaultInfo fault : results.faults) {
                System.out.println(String.format(Locale.ROOT, "  fault %s p=%.6f", faultName(net, fault),
                        fault.probability));
            }
            if (top.probability >= ENOUGH || results.observations.length == 0) {
                System.out.println(String.format(Locale.ROOT, "Most likely fault: %s (%.6f)", faultName(net, top),
                        top.probability));
                return;
            }
            for (ObservationInfo test : results.observations) {
                System.out.println(String.format(Locale.ROOT, "  test %s information=%.6f cost=%.2f score=%.6f",
                        net.getNodeId(test.node), test.information, test.cost, test.strength));
            }
            String best = net.getNodeId(results.observations[0].node);
            String outcome = answers.containsKey(best) ? answers.get(best) : mostLikelyOutcome(net, best);
            System.out.println("  perform " + best + ": " + outcome);
            diag.instantiateObservation(best, outcome);
        }
    }

    private static String faultName(Network net, FaultInfo fault) {
        return net.getNodeId(fault.node) + "=" + net.getOutcomeId(fault.node, fault.outcome);
    }

    private static String mostLikelyOutcome(Network net, String node) {
        net.setTarget(node, true);
        net.updateBeliefs();
        double[] beliefs = net.getNodeValue(node);
        int best = 0;
        for (int i = 1; i < beliefs.length; i++) {
            if (beliefs[i] > beliefs[best]) {
                best = i;
            }
        }
        return net.getOutcomeId(node, best);
    }
}
