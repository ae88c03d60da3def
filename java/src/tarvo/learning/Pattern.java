package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * A graph over n variables with the edge marks of structure learning, the result of {@link PC}: for each
 * ordered pair (i, j) a mark at j, 0 no edge end, 1 a plain (undirected) end, 2 an arrowhead. The pair
 * (i, j) is an undirected edge when both marks are 1, an arc i to j when the mark at j is 2 and the mark
 * at i is not, a bidirected edge when both are 2. Variable i is variable i of the data set it was learnt
 * from.
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
     * Whether two variables each have a directed path to the other.
     *
     * @return true when the arcs form a cycle
     * @throws tarvo.TARVOException when the pattern has been disposed of
     */
    public native boolean hasCycle();

    /**
     * Whether the pattern is a directed acyclic graph: only arcs, no undirected or bidirected edges, no
     * cycle.
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
