package tarvo;

/**
 * A value-of-information question about an influence diagram: how much the expected utility grows when
 * chosen nodes are observed before a decision is made, judged from a point of view (a decision or action
 * at or before that decision).
 *
 * <p>{@code new ValueOfInfo(net)} binds the question to the network for its whole life; the network must
 * outlive it, and the question must be disposed of ({@link #dispose()}) before the network. Choose the
 * nodes to observe ({@link #addNode(int)}), the decision ({@link #setDecision(int)}) and, when it differs
 * from the decision, the point of view ({@link #setPointOfView(int)}); {@link #update()} computes the
 * value on a copy of the network, which does not change, and {@link #getValues()} reads it. Failures throw
 * {@link TARVOException} as described for {@link Network}. The question and its network form one object
 * for threads: calls on either from several threads need the caller's lock.
 */
public class ValueOfInfo extends Wrapper {
    /** The network analysed; the natives read it by name. */
    private final Network net;

    /**
     * Starts a question about a network, with no nodes to observe and no decision.
     *
     * @param net the network, which must outlive the question
     * @throws TARVOException when the network is null or has been disposed of
     */
    public ValueOfInfo(Network net) {
        this.net = net;
        ptrNative = createNative(net);
    }

    /**
     * Makes the engine object of the question.
     *
     * @param net the network
     * @return the address of the new engine object
     */
    protected native long createNative(Network net);

    @Override
    protected native void deleteNative(long ptr);

    /**
     * Computes the value of information: the network's diagram is solved without and with arcs from the
     * observed nodes into the decision, and the difference of the expected utilities is kept, for what is
     * known at the point of view (every action before it; the indexing nodes are those of them that the
     * value depends on, without or with the observations). A node that follows from the decision, in the
     * order of the decisions, cannot be observed before it: the update throws, naming it.
     *
     * @throws TARVOException when the decision, the point of view or an observed node is no longer a node
     *     ("TARVO error -568 in function Update"), or the diagram has no utility node ("TARVO error -2 in
     *     function Update" with the logged reason), or the two solutions, planned before either is made,
     *     would together pass the work of one policy evaluation (some 10 s; "TARVO error -42 in function
     *     Update", naming the point of view and both works); the previous results stay then
     */
    public native void update();

    /**
     * The nodes to observe.
     *
     * @return their handles, in the order they were added
     * @throws TARVOException when the question has been disposed of
     */
    public native int[] getAllNodes();

    /**
     * The identifiers of the nodes of {@link #getAllNodes()}, in the same order.
     *
     * @return their identifiers
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String[] getAllNodeIds();

    /**
     * The network's decision nodes, which {@link #setDecision(int)} accepts.
     *
     * @return their handles, in the order in which the diagram makes the decisions
     * @throws TARVOException when the question has been disposed of
     */
    public native int[] getAllDecisions();

    /**
     * The identifiers of the nodes of {@link #getAllDecisions()}, in the same order.
     *
     * @return their identifiers
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String[] getAllDecisionIds();

    /**
     * The network's nodes in the order of the influence diagram up to its last decision, which
     * {@link #setPointOfView(int)} accepts.
     *
     * @return their handles, in diagram order
     * @throws TARVOException when the question has been disposed of
     */
    public native int[] getAllActions();

    /**
     * The identifiers of the nodes of {@link #getAllActions()}, in the same order.
     *
     * @return their identifiers
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String[] getAllActionIds();

    /**
     * The nodes that index the result of the last {@link #update()}, in the order of its dimensions.
     *
     * @return their handles; empty before the first update
     * @throws TARVOException when the question has been disposed of
     */
    public native int[] getIndexingNodes();

    /**
     * The identifiers of the nodes of {@link #getIndexingNodes()}, in the same order.
     *
     * @return their identifiers
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String[] getIndexingNodeIds();

    /**
     * The result of the last {@link #update()}: the value of information for each configuration of the
     * indexing nodes, in row-major order (the last indexing node fastest). A configuration that cannot occur
     * (the model or the evidence gives it probability 0) has no expected utility and so no value: its entry
     * holds the engine's undefined marker {@code 2 * Double.MIN_NORMAL}, as {@link Network#getNodeValue(int)}
     * explains; test it with {@code v == 2 * Double.MIN_NORMAL}.
     *
     * @return the values; empty before the first update
     * @throws TARVOException when the question has been disposed of
     */
    public native double[] getValues();

    /**
     * The decision before which the nodes are observed.
     *
     * @return its handle, or -1 while none is set
     * @throws TARVOException when the question has been disposed of
     */
    public native int getDecision();

    /**
     * The point of view.
     *
     * @return its handle, or -1 while none is set
     * @throws TARVOException when the question has been disposed of
     */
    public native int getPointOfView();

    /**
     * The identifier of the decision.
     *
     * @return the identifier, or null while none is set
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String getDecisionId();

    /**
     * The identifier of the point of view.
     *
     * @return the identifier, or null while none is set
     * @throws TARVOException when the question or its network has been disposed of
     */
    public native String getPointOfViewId();

    /**
     * Adds a node to observe.
     *
     * @param nodeHandle the node's handle
     * @throws TARVOException when the handle names no node, or the node is already among those to observe
     *     ("Cannot add node ID to ValueOfInfo object: it is among the nodes to observe already"), or it is
     *     the decision ("Cannot add node ID to
     *     ValueOfInfo object: it is the decision, which cannot be observed before it is made")
     */
    public native void addNode(int nodeHandle);

    /**
     * As {@link #addNode(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void addNode(String nodeId);

    /**
     * Removes a node from those to observe.
     *
     * @param nodeHandle the node's handle
     * @throws TARVOException when the handle names no node, or the node is not among those to observe
     *     ("Cannot remove node ID to ValueOfInfo object: it is not among the nodes to observe")
     */
    public native void removeNode(int nodeHandle);

    /**
     * As {@link #removeNode(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void removeNode(String nodeId);

    /**
     * Sets the decision before which the nodes are observed; while no point of view is set, the decision
     * becomes the point of view too.
     *
     * @param nodeHandle the handle of one of {@link #getAllDecisions()}
     * @throws TARVOException when the handle names no node, or the node is no decision ("Cannot set decision
     *     on ValueOfInfo object to node ID: it is no decision (getAllDecisions lists them)") or comes before
     *     the point of view (the same text, then ": it comes before the point of view [P]"), or it is one of
     *     the nodes to observe (the same text, then ": it is one of the observed nodes, which are observed
     *     before the decision"); the decision stays then
     */
    public native void setDecision(int nodeHandle);

    /**
     * As {@link #setDecision(int)}, the node given by its identifier.
     *
     * @param nodeId the decision's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setDecision(String nodeId);

    /**
     * Sets the point of view from which the gain is judged; while no decision is set, the node becomes
     * the decision too.
     *
     * @param nodeHandle the handle of one of {@link #getAllActions()}
     * @throws TARVOException when the handle names no node, or the node is not among the actions ("Cannot
     *     set point of view on ValueOfInfo object to node ID: it is neither a decision nor a node observed
     *     before one (getAllActions lists them)") or comes after the decision (the same text, then ": it comes
     *     after the decision [D]")
     */
    public native void setPointOfView(int nodeHandle);

    /**
     * As {@link #setPointOfView(int)}, the node given by its identifier.
     *
     * @param nodeId the point of view's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setPointOfView(String nodeId);
}
