package tarvo.learning;

/**
 * Background knowledge of structure learning: forced and forbidden arcs and tiers, all over data set
 * variable indices. A null array counts as empty.
 */
public class BkKnowledge {
    public BkArcInfo[] forcedArcs;
    public BkArcInfo[] forbiddenArcs;
    public BkTierInfo[] tiers;

    public BkKnowledge(BkArcInfo[] forcedArcs, BkArcInfo[] forbiddenArcs, BkTierInfo[] tiers) {
        this.forcedArcs = forcedArcs;
        this.forbiddenArcs = forbiddenArcs;
        this.tiers = tiers;
    }
}
