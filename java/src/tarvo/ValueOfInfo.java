package tarvo;

/**
 * Value-of-information analysis of an influence diagram: choose the observation nodes, the decision
 * and the point of view, call update() and read the results.
 */
public class ValueOfInfo extends Wrapper {
    /** The network analysed; the natives read it by name. */
    private final Network net;

    public ValueOfInfo(Network net) {
        this.net = net;
        ptrNative = createNative(net);
    }

    protected native long createNative(Network net);

    @Override
    protected native void deleteNative(long ptr);

    public native void update();
    public native int[] getAllNodes();
    public native String[] getAllNodeIds();
    public native int[] getAllDecisions();
    public native String[] getAllDecisionIds();
    public native int[] getAllActions();
    public native String[] getAllActionIds();
    public native int[] getIndexingNodes();
    public native String[] getIndexingNodeIds();
    public native double[] getValues();
    public native int getDecision();
    public native int getPointOfView();
    public native String getDecisionId();
    public native String getPointOfViewId();
    public native void addNode(int nodeHandle);
    public native void addNode(String nodeId);
    public native void removeNode(int nodeHandle);
    public native void removeNode(String nodeId);
    public native void setDecision(int nodeHandle);
    public native void setDecision(String nodeId);
    public native void setPointOfView(int nodeHandle);
    public native void setPointOfView(String nodeId);
}
