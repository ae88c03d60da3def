package tarvo;

/** One unperformed observation of a diagnosis session with its score. */
public class ObservationInfo {
    public final int node;
    public final double information;
    public final double cost;
    public final double strength;

    public ObservationInfo(int node, double information, double cost, double strength) {
        this.node = node;
        this.information = information;
        this.cost = cost;
        this.strength = strength;
    }
}
