package tarvo.learning;

/**
 * The tier of a data set variable in background knowledge ({@link BkKnowledge}); the learners read the
 * fields by name.
 */
public class BkTierInfo {
    /** The variable's index in the data set. */
    public int variable;
    /** The tier: arcs go from variables of lower tiers to variables of higher ones, never back. */
    public int tier;

    /**
     * Places a variable in a tier.
     *
     * @param variable the variable's index
     * @param tier the tier
     */
    public BkTierInfo(int variable, int tier) {
        this.variable = variable;
        this.tier = tier;
    }
}
