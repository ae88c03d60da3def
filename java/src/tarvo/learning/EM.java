package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * Learns the parameters (probability tables) of an existing network from a data set by expectation
 * maximisation, with missing values allowed; the network's structure does not change. A network of
 * equation nodes gets linear equations fitted by least squares instead (no missing values then).
 *
 * <p>Each iteration weighs every record by the present tables and re-estimates them. The run stops after
 * the iteration whose log-likelihood of the data is 0 (every record certain) or not finite (a record
 * impossible), did not rise, or rose by less than a part in 10,000 of its size (the previous value divided
 * by the new one is below 1.0001), and after 1000 iterations at most; the tables re-estimated in that
 * iteration are the result. A run that starts from random tables ({@link #setRandomizeParameters(boolean)}) draws them from a
 * generator seeded by the clock: no seed can be given, and two runs from random tables may learn different
 * tables (a local maximum each); start from the network's own tables to repeat a result.
 *
 * <p>{@code new EM()} makes a learner with the default settings; it is bound to no network or data set,
 * which each {@link #learn(DataSet, Network, DataMatch[], int[])} names. Call {@link #dispose()} when it is
 * no longer needed. Separate learners may run in separate threads; one learner, network or data set shared
 * between threads needs the caller's lock.
 */
public class EM extends Wrapper {
    /** Makes a learner: equivalent sample size 0, random start, no relevance reasoning. */
    public EM() {
        ptrNative = createNative();
    }

    /**
     * Makes the engine settings.
     *
     * @return the address of the new engine settings
     */
    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    /**
     * The equivalent sample size: the weight, in records, of the network's tables from before the run in
     * the learnt tables.
     *
     * @return the equivalent sample size, 0 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native int getEqSampleSize();

    /**
     * Sets the equivalent sample size (see {@link #getEqSampleSize()}).
     *
     * @param size the number of records, 0 or more; 0 gives the old tables no weight
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a negative size ("em: the
     *     equivalent sample size must be 0 or more, not -5"); the setting is then unchanged
     */
    public native void setEqSampleSize(int size);

    /**
     * Whether a run starts from random tables rather than from the network's own.
     *
     * @return the setting, true in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native boolean getRandomizeParameters();

    /**
     * Sets whether a run starts from random tables rather than from the network's own. Random tables are
     * drawn from a generator seeded by the clock, so runs differ; there is no seed to set.
     *
     * @param value true for random tables
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setRandomizeParameters(boolean value);

    /**
     * Whether the run propagates the evidence of each record through deterministic relations.
     *
     * @return the setting, false in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native boolean getRelevance();

    /**
     * Sets whether the run propagates the evidence of each record through deterministic relations, which
     * some networks need ("em: please run with relevance enabled").
     *
     * @param value true to propagate
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setRelevance(boolean value);

    /**
     * As {@link #learn(DataSet, Network, DataMatch[], int[])}, the fixed nodes given by their identifiers.
     *
     * @param data the data set
     * @param net the network whose parameters are learnt
     * @param matching the ties of variables to nodes
     * @param fixedNodes the identifiers of the nodes whose tables must not change, or null
     * @throws tarvo.TARVOException when no node has one of the identifiers, or as the other form
     */
    public native void learn(DataSet data, Network net, DataMatch[] matching, String[] fixedNodes);

    /**
     * Learns the tables of a network's nodes from the data set, in place: on success the network holds the
     * learnt tables, on failure it is unchanged. EM learns the tables of chance nodes (CPT and noisy-MAX) or,
     * in a network of equation nodes only, their equations; every deterministic node (type 20) and
     * noisy-adder node (type 274) must be passed in {@code fixedNodes}, and a network with any other kind
     * (decisions, utilities, casts, DeMorgan nodes) is refused with the node named.
     *
     * @param data the data set
     * @param net the network whose parameters are learnt
     * @param matching the ties of data set variables to nodes, usually from
     *     {@link DataSet#matchNetwork(Network)}: a slice other than 0 only for a plate node of a dynamic
     *     network, below its slice count, and each node (in a slice) tied to one variable at most; otherwise
     *     the run is refused before it starts, naming the match ("TARVO error -2 in function Learn. Logged
     *     information: em: the match of column [a] names slice 5 of node [A], valid range is 0..0", "TARVO
     *     error -4 ...: em: columns [a] and [b] are both matched to node [A]")
     * @param fixedNodes the handles of the nodes whose tables must not change, or null; a handle that
     *     names no node of the network is ignored (unlike an unknown identifier in the other form)
     * @throws tarvo.TARVOException when the learner, data set or network has been disposed of (checked
     *     before the other arguments), when the matching is null or empty ("No matching specified") or holds
     *     a null element ("DataMatch element can't be null (index 1)"), or the run
     *     fails ("TARVO error ... in function Learn" with the reasons, which begin with "em: "; a network
     *     that the data does not fit names the node or the column at fault, for example "em: node
     *     [TbOrCancer] is deterministic: such nodes must be passed as fixed nodes"; equations are fitted to
     *     finite values only: "em: column [Y] holds inf in record 1: only finite values can be fitted"); a run
     *     whose single iteration over the distinct records would pass 2<sup>30</sup> steps (a record that
     *     observes every family whole is counted directly, any other through inference over the cells its
     *     unobserved nodes span) is refused before it starts, as soon as the records met pass it, naming the
     *     numbers of records and nodes and the node whose family's unobserved part is widest, and iterations
     *     otherwise stop, as if converged, before the next would pass that limit
     */
    public native void learn(DataSet data, Network net, DataMatch[] matching, int[] fixedNodes);
}
