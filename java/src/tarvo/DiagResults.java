package tarvo;

/** Result of DiagNetwork.update: observations by descending strength, faults by descending probability. */
public class DiagResults {
    public final ObservationInfo[] observations;
    public final FaultInfo[] faults;

    public DiagResults(ObservationInfo[] observations, FaultInfo[] faults) {
        this.observations = observations;
        this.faults = faults;
    }
}
