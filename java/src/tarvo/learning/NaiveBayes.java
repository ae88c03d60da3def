package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * Learns a naive Bayes classifier network from a data set: the class variable is the parent of every
 * other variable (or, with feature selection, of those whose arc improves the score), and the tables are
 * learnt from the data. Continuous variables are discretised; feature selection needs discrete data.
 *
 * <p>{@code new NaiveBayes()} makes a learner with the default settings; it is bound to no data set. Each
 * {@link #learn(DataSet)} returns a new network, which the caller owns and disposes of. Call
 * {@link #dispose()} on the learner when it is no longer needed. Separate learners may run in separate
 * threads; one learner or data set shared between threads needs the caller's lock.
 */
public class NaiveBayes extends Wrapper {
    /** Makes a learner: priors method 0, no feature selection, class variable "class", weight 1. */
    public NaiveBayes() {
        ptrNative = createNative();
    }

    /**
     * Makes the engine settings.
     *
     * @return the address of the new engine settings
     */
    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    /**
     * How the learnt tables are smoothed, as {@link GreedyThickThinning#getPriorsMethod()}.
     *
     * @return the method as set: 0 (every prior count 1) or 1 (equivalent-sample-size priors), another
     *     value learning as 0; 0 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native int getPriorsMethod();

    /**
     * Chooses how the learnt tables are smoothed, as {@link GreedyThickThinning#setPriorsMethod(int)}.
     *
     * @param method 0 every prior count 1, 1 equivalent-sample-size priors of weight {@link #getNetWeight()};
     *     other values are stored and learn with the library's default priors (those of 0)
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setPriorsMethod(int method);

    /**
     * Whether the class gains only the features whose arc improves the score.
     *
     * @return the setting, false in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native boolean getFeatureSelection();

    /**
     * Sets whether the class gains only the features whose arc improves the score.
     *
     * @param value true to select features
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setFeatureSelection(boolean value);

    /**
     * The name of the class variable.
     *
     * @return the name, "class" in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native String getClassVariableId();

    /**
     * Sets the name of the class variable.
     *
     * @param id the name of a data set variable
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native void setClassVariableId(String id);

    /**
     * The equivalent sample size of each node when the priors method is 1.
     *
     * @return the weight, 1 in a new learner
     * @throws tarvo.TARVOException when the learner has been disposed of
     */
    public native double getNetWeight();

    /**
     * Sets the equivalent sample size of each node when the priors method is 1.
     *
     * @param weight the weight, finite and greater than 0
     * @throws tarvo.TARVOException when the learner has been disposed of, or for a weight of 0 or less, NaN
     *     or infinite ("naive bayes: the net weight must be greater than 0, not -1"); the setting is then
     *     unchanged
     */
    public native void setNetWeight(double weight);

    /**
     * Learns a classifier network from the data set.
     *
     * @param data the data set, discrete, with a variable of the class variable's name
     * @return a new network, one node per variable, which the caller owns and disposes of
     * @throws tarvo.TARVOException when the data cannot be learnt from ("TARVO error -1 in function Learn"
     *     with the reason: "naive bayes: the data set has no variable named ..." without the class
     *     variable, the column at fault, for example a continuous one under feature selection, or a class
     *     of so many states that a variable's table given it would pass the limit of 4194304 cells,
     *     naming both); no network is left behind
     */
    public native Network learn(DataSet data);
}
