package tarvo.learning;

/** The tier of a data set variable; the natives read the fields by name. */
public class BkTierInfo {
    public int variable;
    public int tier;

    public BkTierInfo(int variable, int tier) {
        this.variable = variable;
        this.tier = tier;
    }
}
