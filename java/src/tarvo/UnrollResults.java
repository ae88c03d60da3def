package tarvo;

/**
 * Result of Network.unroll: the new network (owned by the caller) and the node map, slice after
 * slice, of the plate nodes' copies.
 */
public class UnrollResults {
    public final Network unrolled;
    public final int[] mapping;

    public UnrollResults(Network unrolled, int[] mapping) {
        this.unrolled = unrolled;
        this.mapping = mapping;
    }
}
