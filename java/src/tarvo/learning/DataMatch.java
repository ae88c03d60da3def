package tarvo.learning;

/** The tie of one data set column to a network node in a time slice; the natives read the fields by name. */
public class DataMatch {
    public int column;
    public int node;
    public int slice;

    public DataMatch(int column, int node, int slice) {
        this.column = column;
        this.node = node;
        this.slice = slice;
    }
}
