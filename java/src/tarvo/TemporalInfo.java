package tarvo;

/**
 * A node related to another across time slices, as the temporal queries of {@link Network} return it
 * ({@link Network#getTemporalParents(int, int)}, {@link Network#getUnrolledParents(int, int)}, ...).
 */
public class TemporalInfo {
    /** The related node's handle. */
    public final int handle;
    /** The related node's identifier. */
    public final String id;
    /** The order of the relation: 0 within a slice, k across k slices. */
    public final int order;

    /**
     * Holds the relation as given.
     *
     * @param handle the node's handle
     * @param id the node's identifier
     * @param order the order
     */
    public TemporalInfo(int handle, String id, int order) {
        this.handle = handle;
        this.id = id;
        this.order = order;
    }
}
