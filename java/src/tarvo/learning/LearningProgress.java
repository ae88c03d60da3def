package tarvo.learning;

/**
 * Told how far a learning run has come ({@link GreedyThickThinning#learn(DataSet, LearningProgress)},
 * {@link NaiveBayes#learn(DataSet, LearningProgress)}); its answer can stop the run. It is called on the
 * thread that runs the learner.
 */
public interface LearningProgress {
    /**
     * Called whenever a step of the run opens or closes.
     *
     * @param fraction the part of the whole run done so far, from 0 to 1
     * @param step the text of the step that opened or closed
     * @return false to cancel the run, which then stops at its next step and throws
     */
    boolean update(double fraction, String step);
}
