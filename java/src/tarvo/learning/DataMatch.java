package tarvo.learning;

/**
 * The tie of one data set variable to a network node in a time slice, as
 * {@link DataSet#matchNetwork(tarvo.Network)} makes it and {@link EM} reads it (by field name).
 */
public class DataMatch {
    /** The data set variable's index. */
    public int column;
    /** The node's handle in the network. */
    public int node;
    /** The time slice of the node in a dynamic network; 0 otherwise. */
    public int slice;

    /**
     * Makes a tie.
     *
     * @param column the variable's index
     * @param node the node's handle
     * @param slice the time slice
     */
    public DataMatch(int column, int node, int slice) {
        this.column = column;
        this.node = node;
        this.slice = slice;
    }
}
