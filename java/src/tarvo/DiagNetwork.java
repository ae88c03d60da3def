package tarvo;

/**
 * A troubleshooting (fault diagnosis) session over a network whose nodes carry diagnostic roles
 * ({@link Network#setNodeDiagType(int, int)}): it ranks the observations still to be made by how well they
 * tell the pursued faults apart, and ranks the faults by probability.
 *
 * <p>{@code new DiagNetwork(net)} binds the session to the network for its whole life. Creating it
 * collects the faults (the fault outcomes of target nodes, fixed from then on) and the unperformed
 * observations (ranked observation nodes without evidence), sets the default outcomes of observation nodes
 * as evidence, updates the beliefs of the fault nodes (changing the network's targets) and pursues the
 * most probable fault. Observations made through the session ({@link #instantiateObservation(int, int)})
 * are evidence of the network itself. The session reads the network on every call: it fails once the
 * network has been disposed of or its structure has changed, and it must be disposed of
 * ({@link #dispose()}) before the network.
 *
 * <p>Faults are addressed by their index, from 0 to {@link #getFaultCount()} - 1, in the order of the
 * nodes' handles and then of their outcomes. Failures throw {@link TARVOException} as described for
 * {@link Network}. The session and its network form one object for threads: calls on either from several
 * threads need the caller's lock.
 */
public class DiagNetwork extends Wrapper {
    /** The network the session works on; the natives read it by name. */
    private final Network net;

    /**
     * Starts a session over a network, as the class description says.
     *
     * @param net the network, which must outlive the session
     * @throws TARVOException when the network is null or has been disposed of
     */
    public DiagNetwork(Network net) {
        this.net = net;
        ptrNative = createNative(net);
    }

    /**
     * Makes the engine session for a network.
     *
     * @param net the network
     * @return the address of the new engine session
     */
    protected native long createNative(Network net);

    @Override
    protected native void deleteNative(long ptr);

    /**
     * Updates the beliefs of the fault nodes and scores every unperformed observation by the information it
     * is expected to give about the pursued faults and by its cost.
     *
     * @param mode how several pursued faults are scored (with one, it is not looked at): 1 the faults'
     *     marginal probabilities, 2 their configurations taken as independent, 4 their joint configurations;
     *     of several of these bits the lowest ranks
     * @return the ranked observations and faults
     * @throws TARVOException when no fault is pursued, several are and the mode holds none of the bits 1, 2
     *     and 4, or a mandatory observation has not been made ("TARVO error -2 in function ComputeTestStrengths", followed
     *     by the cause, naming the observation or the mode); when the ranking's belief updates (the beliefs
     *     of every open test, and one a test outcome or a pursued fault, or a combination of the pursued
     *     fault nodes in mode 2 and 4), sized by the join trees they build, would pass 2^30 cells of work, it
     *     is refused before the first of them ("TARVO error -42 in function ComputeTestStrengths", naming the
     *     pursued faults and the sizes)
     */
    public DiagResults update(int mode) {
        return updateNative(mode);
    }

    private native DiagResults updateNative(int mode);

    /**
     * Whether scoring leaves out every test that is not a descendant of a pursued fault (see
     * {@link #setDSep(boolean)}).
     *
     * @return the setting, false in a new session
     * @throws TARVOException when the session has been disposed of
     */
    public native boolean getDSep();

    /**
     * Sets whether scoring takes a shortcut by the arcs: every test that is not a descendant (by ordinary
     * arcs) of a pursued fault's node is then not scored (its numbers hold a marker, see
     * {@link ObservationInfo}), whether or not it bears on the fault: an ancestor does and is left out all
     * the same (on "visit to Asia" with LungCancer pursued, Smoker, its parent, is left out; it scores
     * 0.105 without the option). Beliefs are then updated only for the fault nodes that are ancestors of an
     * observed test (the first fault's node when none is; every fault node while no test is observed).
     *
     * @param dSep true to use d-separation
     * @throws TARVOException when the session has been disposed of
     */
    public native void setDSep(boolean dSep);

    /**
     * The pursued fault, when exactly one is pursued.
     *
     * @return its index, or -2 when none or several are pursued
     * @throws TARVOException when the session has been disposed of
     */
    public native int getPursuedFault();

    /**
     * The pursued faults.
     *
     * @return their indices
     * @throws TARVOException when the session has been disposed of
     */
    public native int[] getPursuedFaults();

    /**
     * Pursues one fault alone.
     *
     * @param faultIndex the fault's index
     * @throws TARVOException when the index is out of range ("Invalid fault index ...")
     */
    public native void setPursuedFault(int faultIndex);

    /**
     * Pursues several faults; {@link #update(int)} then scores by its mode.
     *
     * @param faultIndices the faults' indices, at least one, each once
     * @throws TARVOException when the array is empty, an index is out of range or given twice ("TARVO error
     *     -2 in function SetPursuedFaults", followed by the cause: "No fault is given to pursue", "Invalid
     *     fault index N; valid indices are 0..M" or "Fault index N is given twice; each fault is pursued
     *     once"); the pursued faults stay then
     */
    public native void setPursuedFaults(int[] faultIndices);

    /**
     * The most probable fault by the beliefs that the fault nodes hold now (the last one among equals):
     * those of the last {@link #update(int)} (or belief update of the network). An observation made or
     * released since leaves them out of date; every fault then counts as probability 0 and the answer is
     * the last fault, so call {@link #update(int)} first.
     *
     * @return its index, or -2 when there are no faults
     * @throws TARVOException when the network has been disposed of or changed
     */
    public native int findMostLikelyFault();

    /**
     * The number of faults.
     *
     * @return the number of faults, fixed when the session was made
     * @throws TARVOException when the session has been disposed of
     */
    public native int getFaultCount();

    /**
     * A fault with its present probability.
     *
     * @param faultIndex the fault's index
     * @return the fault; its probability is the node's belief of the last {@link #update(int)}, and 0 while
     *     the node's value is not up to date (after an observation made or released since)
     * @throws TARVOException when the index is out of range, or the network has been disposed of or changed
     */
    public native FaultInfo getFault(int faultIndex);

    /**
     * The node of a fault.
     *
     * @param faultIndex the fault's index
     * @return the node's handle
     * @throws TARVOException when the index is out of range
     */
    public native int getFaultNode(int faultIndex);

    /**
     * The fault outcome of a fault.
     *
     * @param faultIndex the fault's index
     * @return the outcome's index
     * @throws TARVOException when the index is out of range
     */
    public native int getFaultOutcome(int faultIndex);

    /**
     * The identifier of a fault's node.
     *
     * @param faultIndex the fault's index
     * @return the node's identifier
     * @throws TARVOException when the index is out of range, or the network has been disposed of or changed
     */
    public native String getFaultNodeId(int faultIndex);

    /**
     * The identifier of a fault's outcome.
     *
     * @param faultIndex the fault's index
     * @return the outcome's identifier
     * @throws TARVOException when the index is out of range, or the network has been disposed of or changed
     */
    public native String getFaultOutcomeId(int faultIndex);

    /**
     * The index of the fault of a node and outcome.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the fault's index
     * @throws TARVOException when the pair is no fault ("TARVO error -2 in function FindFault", followed by
     *     "Outcome N of node [X] is no fault state")
     */
    public native int getFaultIndex(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getFaultIndex(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return the fault's index
     * @throws TARVOException when the handle names no node or the node has no such outcome, or as the
     *     other form
     */
    public native int getFaultIndex(int nodeHandle, String outcomeId);

    /**
     * As {@link #getFaultIndex(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the fault's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int getFaultIndex(String nodeId, int outcomeIndex);

    /**
     * As {@link #getFaultIndex(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return the fault's index
     * @throws TARVOException when no node or outcome has the identifier, or as the handle form
     */
    public native int getFaultIndex(String nodeId, String outcomeId);

    /**
     * The number of observations not yet made.
     *
     * @return the number of unperformed observations
     * @throws TARVOException when the session has been disposed of
     */
    public native int getUnperformedTestCount();

    /**
     * The observations not yet made: ranked observation nodes without evidence.
     *
     * @return their handles
     * @throws TARVOException when the session has been disposed of
     */
    public native int[] getUnperformedObservations();

    /**
     * The identifiers of the nodes of {@link #getUnperformedObservations()}, in the same order.
     *
     * @return their identifiers
     * @throws TARVOException when the network has been disposed of or changed
     */
    public native String[] getUnperformedObservationIds();

    /**
     * Whether every mandatory observation ({@link Network#setMandatory(int, boolean)}) has been made.
     *
     * @return true when every mandatory observation node has evidence
     * @throws TARVOException when the network has been disposed of or changed
     */
    public native boolean mandatoriesInstantiated();

    /**
     * Records the outcome of an observation as evidence of the network; the node leaves the unperformed
     * observations. Any node may be observed, a target too: its faults are then known.
     *
     * @param nodeHandle the observation node's handle
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when the handle names no node, the index is out of range, or the evidence is
     *     refused ("TARVO error ... in function InstantiateObservation")
     */
    public native void instantiateObservation(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #instantiateObservation(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the observation node's handle
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void instantiateObservation(int nodeHandle, String outcomeId);

    /**
     * As {@link #instantiateObservation(int, int)}, the node given by its identifier.
     *
     * @param nodeId the observation node's identifier
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void instantiateObservation(String nodeId, int outcomeIndex);

    /**
     * As {@link #instantiateObservation(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the observation node's identifier
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when no node or outcome has the identifier, or as the handle form
     */
    public native void instantiateObservation(String nodeId, String outcomeId);

    /**
     * Withdraws an observation's evidence; a ranked observation node goes back among the unperformed ones.
     *
     * @param nodeHandle the observation node's handle
     * @throws TARVOException when the handle names no node, or the node has no evidence to withdraw
     *     ("TARVO error -2 in function ReleaseObservation" with "ERROR: Node [T1] : it is not observed: there is
     *     no observation to release")
     */
    public native void releaseObservation(int nodeHandle);

    /**
     * As {@link #releaseObservation(int)}, the node given by its identifier.
     *
     * @param nodeId the observation node's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void releaseObservation(String nodeId);
}
