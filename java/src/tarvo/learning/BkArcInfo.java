package tarvo.learning;

/**
 * An arc of background knowledge ({@link BkKnowledge}) between two data set variables; the learners read
 * the fields by name.
 */
public class BkArcInfo {
    /** The parent variable's index in the data set. */
    public int parent;
    /** The child variable's index in the data set. */
    public int child;

    /**
     * Makes an arc.
     *
     * @param parent the parent variable's index
     * @param child the child variable's index
     */
    public BkArcInfo(int parent, int child) {
        this.parent = parent;
        this.child = child;
    }
}
