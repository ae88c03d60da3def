package tarvo;

/**
 * A troubleshooting session over a network: faults, pursued faults, observations and their scores.
 * Creating it updates the network's targets, beliefs and default observations. Call dispose() before
 * disposing of the network.
 */
public class DiagNetwork extends Wrapper {
    /** The network the session works on; the natives read it by name. */
    private final Network net;

    public DiagNetwork(Network net) {
        this.net = net;
        ptrNative = createNative(net);
    }

    protected native long createNative(Network net);

    @Override
    protected native void deleteNative(long ptr);

    /** Scores the unperformed observations; mode selects how several pursued faults are scored. */
    public DiagResults update(int mode) {
        return updateNative(mode);
    }

    private native DiagResults updateNative(int mode);

    public native boolean getDSep();
    public native void setDSep(boolean dSep);
    public native int getPursuedFault();
    public native int[] getPursuedFaults();
    public native void setPursuedFault(int faultIndex);
    public native void setPursuedFaults(int[] faultIndices);
    public native int findMostLikelyFault();
    public native int getFaultCount();
    public native FaultInfo getFault(int faultIndex);
    public native int getFaultNode(int faultIndex);
    public native int getFaultOutcome(int faultIndex);
    public native String getFaultNodeId(int faultIndex);
    public native String getFaultOutcomeId(int faultIndex);
    public native int getFaultIndex(int nodeHandle, int outcomeIndex);
    public native int getFaultIndex(int nodeHandle, String outcomeId);
    public native int getFaultIndex(String nodeId, int outcomeIndex);
    public native int getFaultIndex(String nodeId, String outcomeId);
    public native int getUnperformedTestCount();
    public native int[] getUnperformedObservations();
    public native String[] getUnperformedObservationIds();
    public native boolean mandatoriesInstantiated();
    public native void instantiateObservation(int nodeHandle, int outcomeIndex);
    public native void instantiateObservation(int nodeHandle, String outcomeId);
    public native void instantiateObservation(String nodeId, int outcomeIndex);
    public native void instantiateObservation(String nodeId, String outcomeId);
    public native void releaseObservation(int nodeHandle);
    public native void releaseObservation(String nodeId);
}
