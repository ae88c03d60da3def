package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/** An n x n matrix of edge marks (0 none, 1 plain end, 2 arrowhead), the result of PC. */
public class Pattern extends Wrapper {
    public Pattern() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getSize();
    public native void setSize(int size);
    public native int getEdge(int from, int to);
    public native void setEdge(int from, int to, int mark);
    public native boolean hasCycle();
    public native boolean isDAG();
    /** A new network with the pattern's arcs, for a pattern that is a DAG; the caller disposes of it. */
    public native Network makeNetwork(DataSet data);
}
