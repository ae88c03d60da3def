import java.util.Locale;

import tarvo.Network;
import tarvo.TARVOException;

/**
 * Reads a network file, observes the outcomes given as NODE=OUTCOME, brings the beliefs up to date and
 * prints every node's posterior beliefs, one line per node: its identifier, then outcome=probability.
 *
 * <pre>
 * java -Djava.library.path=LIBDIR -cp vovido.jar:vovido-example.jar BeliefsExample FILE [NODE=OUTCOME ...]
 * </pre>
 */
public final class BeliefsExample {
    private BeliefsExample() {
    }

    public static void main(String[] args) {
        if (args.length < 1) {
            System.err.println("usage: BeliefsExample FILE [NODE=OUTCOME ...]");
            System.exit(2);
        }
        int status = 0;
        Network net = new Network();
        try {
            net.readFile(args[0]);
            for (int i = 1; i < args.length; i++) {
                int equals = args[i].indexOf('=');
                if (equals < 0) {
                    throw new IllegalArgumentException("evidence '" + args[i] + "' is not NODE=OUTCOME");
                }
                net.setEvidence(args[i].substring(0, equals), args[i].substring(equals + 1));
            }
            net.updateBeliefs();
            for (int node = net.getFirstNode(); node >= 0; node = net.getNextNode(node)) {
                System.out.println(beliefLine(net, node));
            }
        } catch (TARVOException | IllegalArgumentException e) {
            System.err.println("BeliefsExample: " + e.getMessage());
            status = 1;
        } finally {
            net.dispose();
        }
        System.exit(status);
    }

    /** The node's identifier, then each outcome's identifier (its index when it has none) and belief. */
    private static String beliefLine(Network net, int node) {
        StringBuilder line = new StringBuilder(net.getNodeId(node));
        String[] outcomes = net.getOutcomeIds(node);
        double[] beliefs = net.getNodeValue(node);
        for (int i = 0; i < beliefs.length; i++) {
            String outcome = i < outcomes.length ? outcomes[i] : Integer.toString(i);
            line.append(' ').append(outcome).append('=');
            line.append(String.format(Locale.ROOT, "%.6f", beliefs[i]));
        }
        return line.toString();
    }
}
