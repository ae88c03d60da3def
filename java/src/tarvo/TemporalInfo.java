package tarvo;

/** A node related to another across time: its handle, identifier and temporal order. */
public class TemporalInfo {
    public final int handle;
    public final String id;
    public final int order;

    public TemporalInfo(int handle, String id, int order) {
        this.handle = handle;
        this.id = id;
        this.order = order;
    }
}
