/**
 * Graphical probabilistic models held by the native engine: Bayesian networks, influence diagrams, dynamic
 * networks and networks of equation nodes, with troubleshooting ({@link tarvo.DiagNetwork}) and value of
 * information ({@link tarvo.ValueOfInfo}).
 *
 * <p>The common path reads a network, observes some nodes, brings the beliefs up to date and reads them:
 *
 * <pre>{@code
 * Network net = new Network();
 * try {
 *     net.readFile("asia.vrx");
 *     net.setEvidence("XRay", "yes");
 *     net.updateBeliefs();
 *     String[] outcomes = net.getOutcomeIds("LungCancer");
 *     double[] beliefs = net.getNodeValue("LungCancer");
 *     for (int i = 0; i < outcomes.length; i++) {
 *         System.out.println(outcomes[i] + " " + beliefs[i]);
 *     }
 * } finally {
 *     net.dispose();
 * }
 * }</pre>
 *
 * <p>Every failure throws {@link tarvo.TARVOException}, whose message names the cause. Engine objects live
 * outside the Java heap: dispose of every object when it is no longer needed.
 */
package tarvo;
