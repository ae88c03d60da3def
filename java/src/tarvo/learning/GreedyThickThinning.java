package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * Learns the structure and parameters of a Bayesian network from a data set by greedy thick thinning: arcs
 * are added while they improve the score, then removed while removing them improves it, within the parent
 * limit and the background knowledge. The score is BDe: the logarithm of the data's marginal likelihood
 * given the graph, under the Dirichlet priors that {@link #getPriorsMethod()} chooses, summed node by
 * node. The data must be discrete.
 *
 * <p>{@code new GreedyThickThinning()} makes a learner with the default settings; it is bound to no data
 * set. Each {@link #learn(DataSet)} returns a new network, one node per variable, which the caller owns and
 * disposes of. Call {@link #dispose()} on the learner when it is no longer needed. Separate learners may
 * run in separate threads; one learner or data set shared between threads needs the caller's lock.
 */
public class GreedyThickThinning extends Wrapper {
    /** Makes a learner: priors method 0, at most 5 parents, network weight 1, no background knowledge. */
    public GreedyThickThinning() {
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
     * How the learnt tables are smoothed.
     *
     * @return the method as set: 0 (every prior count 1) or 1 (equivalent-sample-size priors of weight
     *     {@link #getNetWeight()}), another value learning as 0; 0 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native int getPriorsMethod();

    /**
     * Chooses how the learnt tables are smoothed.
     *
     * @param method 0 every prior count 1, 1 equivalent-sample-size priors of weight {@link #getNetWeight()};
     *     other values are stored and learn with the library's default priors (those of 0)
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setPriorsMethod(int method);

    /**
     * The largest number of parents a node may get.
     *
     * @return the limit, 5 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native int getMaxParents();

    /**
     * Sets the largest number of parents a node may get; forced arcs count beyond it.
     *
     * @param maxParents the limit, 0 or more
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a negative limit ("greedy
     *     thick thinning: the maximum number of parents must be 0 or more, not -1"); the setting is then
     *     unchanged
     */
    public native void setMaxParents(int maxParents);

    /**
     * The equivalent sample size of each node when the priors method is 1.
     *
     * @return the weight, 1 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native double getNetWeight();

    /**
     * Sets the equivalent sample size of each node when the priors method is 1.
     *
     * @param weight the weight, finite and greater than 0
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a weight of 0 or less, NaN
     *     or infinite ("greedy thick thinning: the net weight must be greater than 0, not -2"); the setting is
     *     then unchanged
     */
    public native void setNetWeight(double weight);

    /**
     * The background knowledge that the learnt structure respects.
     *
     * @return a new object holding a copy of the forced arcs, forbidden arcs and tiers
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native BkKnowledge getBkKnowledge();

    /**
     * Replaces the background knowledge that the learnt structure respects (a copy is kept): the learnt
     * network holds every forced arc, none of the forbidden ones, and no arc from a variable of a higher tier
     * to one of a lower tier (a variable listed in several tiers is in each).
     *
     * @param knowledge forced arcs, forbidden arcs and tiers over data set variable indices
     * @throws tarvo.TARVOException when an element of its arrays is null
     */
    public native void setBkKnowledge(BkKnowledge knowledge);

    /**
     * Learns a network from the data set. The search scores families within a limit of work (about
     * 3&nbsp;&times;&nbsp;2<sup>30</sup> steps, each score reading every record): data whose first round, the
     * family of every node with every other node, passes it is refused at once, naming the numbers of
     * nodes and records; a search that reaches it later stops there and keeps the graph found so far.
     *
     * @param data the data set, discrete
     * @return a new network, one node per variable (named after it), which the caller owns and disposes of
     * @throws tarvo.TARVOException when the data cannot be learnt from ("TARVO error -1 in function Learn"
     *     with the reason, which names the column at fault, for example "greedy thick thinning: column [x]
     *     is continuous: only discrete columns can be scored"); background knowledge naming a variable the
     *     data set lacks ("greedy thick thinning: forced arc names variable 9, valid range is 0..2"), forcing
     *     and forbidding one arc ("greedy thick thinning: the arc [b] -&gt; [c] is both forced and
     *     forbidden") or whose forced arcs, with the order of the tiers, close a directed cycle ("greedy thick
     *     thinning: the forced arcs [a] -&gt; [b], [b] -&gt; [c], [c] -&gt; [a] form a cycle") is refused
     *     before anything is learnt; no network is left behind
     */
    public native Network learn(DataSet data);
}
