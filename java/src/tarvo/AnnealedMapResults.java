package tarvo;

/** Result of Network.annealedMap: the two probabilities of the search and one outcome per MAP node. */
public class AnnealedMapResults {
    public final double probM1E;
    public final double probE;
    public final int[] mapStates;

    public AnnealedMapResults(double probM1E, double probE, int[] mapStates) {
        this.probM1E = probM1E;
        this.probE = probE;
        this.mapStates = mapStates;
    }
}
