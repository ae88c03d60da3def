package tarvo;

/** One fault of a diagnosis session: a fault outcome of a target node with its probability. */
public class FaultInfo {
    public final int index;
    public final int node;
    public final int outcome;
    public final double probability;
    public final boolean pursued;

    public FaultInfo(int index, int node, int outcome, double probability, boolean pursued) {
        this.index = index;
        this.node = node;
        this.outcome = outcome;
        this.probability = probability;
        this.pursued = pursued;
    }
}
