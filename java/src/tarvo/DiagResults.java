package tarvo;

/**
 * The result of {@link DiagNetwork#update(int)}: the unperformed observations ranked by their scores and
 * the faults ranked by their probabilities. The library makes these objects; they need no disposal.
 */
public class DiagResults {
    /**
     * The unperformed observations, by descending {@link ObservationInfo#strength}; observations whose
     * score could not be computed (see {@link ObservationInfo}) come last.
     */
    public final ObservationInfo[] observations;
    /**
     * The faults, by descending probability; among equal probabilities the pursued ones first, then, for
     * faults of one node, by outcome index. Faults whose probability could not be computed come last.
     */
    public final FaultInfo[] faults;

    /**
     * Holds the results as given.
     *
     * @param observations the ranked observations
     * @param faults the ranked faults
     */
    public DiagResults(ObservationInfo[] observations, FaultInfo[] faults) {
        this.observations = observations;
        this.faults = faults;
    }
}
