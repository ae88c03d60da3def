package tarvo;

/**
 * The result of {@link Network#unroll()}: the new network, which the caller owns and must dispose of, and
 * the map of the plate nodes' copies.
 */
public class UnrollResults {
    /** The unrolled network, a new object that the caller disposes of. */
    public final Network unrolled;
    /**
     * For n plate nodes (in ascending handle order) and s slices, s * n handles of {@link #unrolled}: entry
     * {@code t * n + i} is the copy of plate node i in slice t.
     */
    public final int[] mapping;

    /**
     * Holds the results as given.
     *
     * @param unrolled the unrolled network
     * @param mapping the node map
     */
    public UnrollResults(Network unrolled, int[] mapping) {
        this.unrolled = unrolled;
        this.mapping = mapping;
    }
}
