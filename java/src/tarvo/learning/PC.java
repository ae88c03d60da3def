package tarvo.learning;

import tarvo.Wrapper;

/**
 * Learns the structure of a Bayesian network from a data set by the PC algorithm: edges are removed where
 * conditional independence tests accept independence, and the rest are oriented where the data, the
 * background knowledge and the orientation rules allow. The data must be complete and all discrete (tested
 * by G-squared) or all continuous (tested by Fisher's z), without constant variables.
 *
 * <p>{@code new PC()} makes a learner with the default settings; it is bound to no data set. Each
 * {@link #learn(DataSet)} returns a new {@link Pattern}, which the caller owns and disposes of. Call
 * {@link #dispose()} on the learner when it is no longer needed. Separate learners may run in separate
 * threads; one learner or data set shared between threads needs the caller's lock.
 */
public class PC extends Wrapper {
    /** Makes a learner: conditioning sets of up to 8 variables, significance 0.05, no knowledge. */
    public PC() {
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
     * The largest size of a conditioning set in the independence tests.
     *
     * @return the size, 8 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native int getMaxAdjacency();

    /**
     * Sets the largest size of a conditioning set in the independence tests.
     *
     * @param maxAdjacency the size, 0 or more
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a negative size ("pc: the
     *     maximum adjacency must be 0 or more, not -3"); the setting is then unchanged
     */
    public native void setMaxAdjacency(int maxAdjacency);

    /**
     * The significance level of the independence tests: a test whose p-value is at least this accepts
     * independence.
     *
     * @return the level, 0.05 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native double getSignificance();

    /**
     * Sets the significance level of the independence tests.
     *
     * @param significance the level, in [0, 1]
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a level outside [0, 1] or NaN
     *     ("pc: the significance must lie in [0, 1], not 2"); the setting is then unchanged
     */
    public native void setSignificance(double significance);

    /**
     * The background knowledge that the learnt pattern respects.
     *
     * @return a new object holding a copy of the forced arcs, forbidden arcs and tiers
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native BkKnowledge getBkKnowledge();

    /**
     * Replaces the background knowledge that the learnt pattern respects (a copy is kept). Forced arcs stay
     * in the pattern as given, whatever the data suggest, so a network made from it holds them; arcs are
     * oriented from lower tiers to higher ones, and a variable listed in several tiers is in the last.
     *
     * @param knowledge forced arcs, forbidden arcs and tiers over data set variable indices
     * @throws tarvo.TARVOException when an element of its arrays is null
     */
    public native void setBkKnowledge(BkKnowledge knowledge);

    /**
     * Learns a pattern from the data set, which must be complete: a data set with a missing cell is
     * refused (fill the missing cells in, or leave out their records, first). Data whose tests of every pair
     * of variables and orientation of every triple would pass a limit of work (about
     * 3&nbsp;&times;&nbsp;2<sup>30</sup> steps) is refused at once, naming the numbers of variables and
     * records; the removal of edges at later levels stops at that limit and keeps the edges not yet removed.
     *
     * @param data the data set, without missing cells
     * @return a new pattern over the data set's variables, which the caller owns and disposes of
     * @throws tarvo.TARVOException when the data cannot be learnt from ("TARVO error ... in function Learn"
     *     with the reasons, which begin with "pc: "), among them a missing cell ("pc: missing values not
     *     allowed:" and the names of the columns that have one) and a variable that takes one value only
     *     ("pc: constant not allowed:" and its names, an unnamed variable as "column 2"), a continuous value
     *     that is no finite number ("pc: column [y] holds inf in record 2: only finite values can be
     *     tested"); and background knowledge naming a variable
     *     the data set lacks ("pc: forced arc names variable 9, valid range is 0..2"), forcing and forbidding
     *     one arc ("pc: the arc [b] -&gt; [c] is both forced and forbidden") or whose forced arcs,
     *     with the order of the tiers, close a directed cycle ("pc: the forced arcs [a] -&gt; [b], [b] -&gt; [c], [c] -&gt; [a] form
     *     a cycle", "pc: the forced arc [b] -&gt; [a] forms a cycle with the tiers: [a] (tier 0) precedes [b]
     *     (tier 1)"), refused before anything is learnt
     */
    public native Pattern learn(DataSet data);
}
