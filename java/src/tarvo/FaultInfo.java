package tarvo;

/**
 * One fault of a troubleshooting session ({@link DiagNetwork}): a fault outcome of a target node, with its
 * present probability. The library makes these objects.
 */
public class FaultInfo {
    /** The fault's index in the session, from 0 to {@link DiagNetwork#getFaultCount()} - 1. */
    public final int index;
    /** The handle of the fault's node. */
    public final int node;
    /** The index of the fault outcome among the node's outcomes. */
    public final int outcome;
    /**
     * The node's present belief in the fault outcome. When the node's value is not up to date it is 0 from
     * {@link DiagNetwork#getFault(int)}, and from {@link DiagNetwork#update(int)} the marker
     * {@code 5 * Double.MIN_NORMAL}, which ranks below every computed probability.
     */
    public final double probability;
    /** Whether the session pursues this fault. */
    public final boolean pursued;

    /**
     * Holds the fault as given.
     *
     * @param index the fault's index
     * @param node the node's handle
     * @param outcome the fault outcome's index
     * @param probability the probability
     * @param pursued whether the fault is pursued
     */
    public FaultInfo(int index, int node, int outcome, double probability, boolean pursued) {
        this.index = index;
        this.node = node;
        this.outcome = outcome;
        this.probability = probability;
        this.pursued = pursued;
    }
}
