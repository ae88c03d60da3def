/**
 * Learning from data: data sets ({@link tarvo.learning.DataSet}) read from delimited text files, the
 * parameters of a given network by EM ({@link tarvo.learning.EM}), and structures by PC
 * ({@link tarvo.learning.PC}), greedy thick thinning ({@link tarvo.learning.GreedyThickThinning}) and naive
 * Bayes ({@link tarvo.learning.NaiveBayes}).
 *
 * <p>A learnt network is an ordinary {@link tarvo.Network}, used on the common path: observe, update, read
 * the beliefs:
 *
 * <pre>{@code
 * DataSet data = new DataSet();
 * GreedyThickThinning learner = new GreedyThickThinning();
 * Network net = null;
 * try {
 *     data.readFile("cases.txt", "*", -1, Float.NaN, true);
 *     net = learner.learn(data);
 *     net.setEvidence(net.getFirstNode(), 0);
 *     net.updateBeliefs();
 *     double[] beliefs = net.getNodeValue(net.getNextNode(net.getFirstNode()));
 * } finally {
 *     if (net != null) {
 *         net.dispose();
 *     }
 *     learner.dispose();
 *     data.dispose();
 * }
 * }</pre>
 */
package tarvo.learning;
