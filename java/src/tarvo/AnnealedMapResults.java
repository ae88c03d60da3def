package tarvo;

/**
 * The result of {@link Network#annealedMap(int[], AnnealedMapTuning)}: the most probable assignment found
 * for the requested nodes and two probabilities. The library makes these objects; they hold no engine
 * object and need no disposal.
 */
public class AnnealedMapResults {
    /** The probability of the assignment given the evidence, P(M = mapStates | E). */
    public final double probM1E;
    /** The probability of the evidence, P(E). */
    public final double probE;
    /** One outcome index per requested node, in the order of the request. */
    public final int[] mapStates;

    /**
     * Holds the results as given.
     *
     * @param probM1E the probability of the assignment given the evidence
     * @param probE the probability of the evidence
     * @param mapStates one outcome index per requested node
     */
    public AnnealedMapResults(double probM1E, double probE, int[] mapStates) {
        this.probM1E = probM1E;
        this.probE = probE;
        this.mapStates = mapStates;
    }
}
