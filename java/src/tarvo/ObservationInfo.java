package tarvo;

/**
 * One unperformed observation (test) of a troubleshooting session, scored by {@link DiagNetwork#update(int)}.
 * A score that was not computed holds a marker in all three numbers: {@code 5 * Double.MIN_NORMAL}
 * when d-separation excluded the observation ({@link DiagNetwork#setDSep(boolean)}), {@code 4 *
 * Double.MIN_NORMAL} when it was not available; such observations, and those with a NaN strength, are
 * ranked last. The library makes these objects.
 */
public class ObservationInfo {
    /** The handle of the observation node. */
    public final int node;
    /**
     * How much the observation is expected to reduce the uncertainty about the pursued faults, as a fraction
     * of that uncertainty now (no unit, 0 when it is 0). With one pursued fault the uncertainty is the
     * binary entropy of the fault's belief: the information is |H - E[H']| / H, H the entropy now and E[H']
     * its expectation over the observation's outcomes; for example 0.437251 bits / 0.721928 bits = 0.605671.
     * With several it is (M - E[M']) / M for the measure that the mode of {@link DiagNetwork#update(int)}
     * names: a measure of the faults' marginal probabilities (mode 1) or the entropy of their configurations
     * (modes 2 and 4).
     */
    public final double information;
    /** The cost of the observation, from the node's cost ({@link Network#getNodeCost(int)}); at least 0. */
    public final double cost;
    /**
     * The score: {@code information - alpha * cost} when the cost is above 0, else the information; alpha
     * is the network's user property "DIAG_alphaValue" (1.0 when the network has none).
     */
    public final double strength;

    /**
     * Holds the score as given.
     *
     * @param node the observation node's handle
     * @param information the expected information
     * @param cost the cost
     * @param strength the score
     */
    public ObservationInfo(int node, double information, double cost, double strength) {
        this.node = node;
        this.information = information;
        this.cost = cost;
        this.strength = strength;
    }
}
