package tarvo.learning;

/**
 * Background knowledge of structure learning ({@link PC}, {@link GreedyThickThinning}): arcs that the
 * learnt structure must have, arcs it must not have, and tiers, all over data set variable indices. A
 * null array counts as empty.
 */
public class BkKnowledge {
    /** The arcs that must be present, in their direction. */
    public BkArcInfo[] forcedArcs;
    /** The arcs that must be absent in their direction. */
    public BkArcInfo[] forbiddenArcs;
    /** The tiers of the variables; every variable of a tier precedes every variable of a higher tier. */
    public BkTierInfo[] tiers;

    /**
     * Holds the knowledge as given.
     *
     * @param forcedArcs the arcs that must be present, or null
     * @param forbiddenArcs the arcs that must be absent, or null
     * @param tiers the tiers, or null
     */
    public BkKnowledge(BkArcInfo[] forcedArcs, BkArcInfo[] forbiddenArcs, BkTierInfo[] tiers) {
        this.forcedArcs = forcedArcs;
        this.forbiddenArcs = forbiddenArcs;
        this.tiers = tiers;
    }
}
