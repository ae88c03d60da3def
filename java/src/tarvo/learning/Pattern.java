package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * A graph over n variables with the edge marks of structure learning, the result of {@link PC}: for each
 * ordered pair (i, j) a mark at j, 0 no edge end, 1 a plain (undirected) end, 2 an arrowhead. The marks at
 * the two ends make the edge between i and j:
 * <ul>
 * <li>2 at j and 0 at i: an arc i -> j, the only edge {@link #isDAG()} accepts and {@link
 * #makeNetwork(DataSet)} turns into an arc;
 * <li>2 at j and 1 at i: an edge with its head at j and a plain tail, which {@link #hasCycle()} follows
 * from i to j but which is no arc: {@code isDAG()} is false for a pattern that has one, and {@code
 * makeNetwork} refuses it;
 * <li>1 at both ends: an undirected edge; 2 at both: a bidirected edge; 1 at one end and 0 at the other:
 * a plain end without a partner. None of these is an arc either;
 * <li>0 at both ends: no edge.
 * </ul>
 * Variable i is variable i of the data set it was learnt from.
 *
 * <p>{@code new Pattern()} makes an empty pattern (0 variables); {@link PC#learn(DataSet)} returns filled
 * ones. It is bound to no data set. Call {@link #dispose()} when it is no longer needed. One pattern shared
 * between threads needs the caller's lock.
 */
public class Pattern extends Wrapper {
    /** Makes an empty pattern of 0 variables. */
    public Pattern() {
        ptrNative = createNative();
    }

    /**
     * Makes the engine pattern.
     *
     * @return the address of the new engine pattern
     */
    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    /**
     * The number of variables.
     *
     * @return n
     * @throws tarvo.TARVOException when the pattern has been disposed of
     */
    public native int getSize();

    /**
     * Sets the number of variables; the marks between variables that remain are kept, new ones are 0.
     *
     * @param size the new n
     * @throws tarvo.TARVOException when the size is negative ("Negative pattern size"), or its n * n marks
     *     would pass the engine's table limit ("TARVO error -42 in function setSize"); the pattern keeps its
     *     size
     */
    public native void setSize(int size);

    /**
     * The mark at {@code to} of the pair (from, to).
     *
     * @param from the first variable's index
     * @param to the second variable's index
     * @return 0 no edge end, 1 a plain end, 2 an arrowhead
     * @throws tarvo.TARVOException when an index is out of range ("Invalid pattern index ...")
     */
    public native int getEdge(int from, int to);

    /**
     * Sets the mark at {@code to} of the pair (from, to); the mark at {@code from} is not changed.
     *
     * @param from the first variable's index
     * @param to the second variable's index
     * @param mark 0 no edge end, 1 a plain end, 2 an arrowhead
     * @throws tarvo.TARVOException when an index is out of range, or the mark ("Invalid pattern edge mark 7,
     *     valid range is 0..2"); the pattern is then unchanged
     */
    public native void setEdge(int from, int to, int mark);

    /**
     * Whether two variables each have a directed path to the other, following every edge with an arrowhead
     * at one end only (2 at j and 0 or 1 at i leads from i to j).
     *
     * @return true when the arcs form a cycle
     * @throws tarvo.TARVOException when the pattern has been disposed of
     */
    public native boolean hasCycle();

    /**
     * Whether the pattern is a directed acyclic graph: every edge an arc (2 at one end, 0 at the other), no
     * cycle. A mark 1 anywhere, or 2 at both ends of an edge, makes it false.
     *
     * @return true for a DAG
     * @throws tarvo.TARVOException when the pattern has been disposed of
     */
    public native boolean isDAG();

    /**
     * Makes a network of the pattern's structure: one node per variable, named after it, and one arc per
     * arc of the pattern. When the data set has a discrete variable every node is a probability-table node
     * (with the variable's state names as outcomes where it has two or more), otherwise every node is an
     * equation node. The tables keep their defaults.
     *
     * @param data the data set the pattern was learnt from
     * @return a new network, which the caller owns and disposes of
     * @throws tarvo.TARVOException when the pattern is not a DAG, has more variables than the data set, would
     *     give two nodes one identifier, or a discrete variable without state names holds an index too large
     *     for an outcome ("TARVO error -1 in function MakeNetwork", with the reason, which begins with
     *     "pattern: "); no network is made
     */
    public native Network makeNetwork(DataSet data);
}
