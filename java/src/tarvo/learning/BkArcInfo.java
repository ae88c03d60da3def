package tarvo.learning;

/** An arc of background knowledge between two data set variables; the natives read the fields by name. */
public class BkArcInfo {
    public int parent;
    public int child;

    public BkArcInfo(int parent, int child) {
        this.parent = parent;
        this.child = child;
    }
}
