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
 *
 * <h2>Warnings</h2>
 * A call that succeeds may still have something to report: a table given in percent and scaled, a
 * statement of a file skipped, evidence on an equation explained through one of several solutions. Each
 * such message goes to the platform logger {@code System.getLogger("tarvo")} as one record at level
 * {@code WARNING}, logged from the thread that made the call; its text is the engine operation, the status
 * code in brackets and the message, for example {@code ReadFile: [-2] (line 4 while loading
 * /data/net.xml03) : ERROR: Node [imp1] : every distribution of its table sums to 100, scaled to sum to 1}
 * (a message about a line of a file names the file). Unless the application installs its own
 * {@code System.LoggerFinder}, the records reach the {@code java.util.logging} logger "tarvo", which prints
 * them to standard error by default. Silence them as any library's warnings, by that logger's level:
 * {@code tarvo.level = OFF} in the logging configuration, or {@code setLevel(Level.OFF)} on
 * {@code Logger.getLogger("tarvo")} held in a field (java.util.logging forgets the settings of a logger
 * that nothing references); add a handler to collect them. A call that fails logs no record: its messages
 * are in the exception's text. A call that logs nothing costs nothing extra.
 */
package tarvo;
