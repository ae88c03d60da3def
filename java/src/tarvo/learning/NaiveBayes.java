package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/** Learning of naive Bayes classifiers. */
public class NaiveBayes extends Wrapper {
    public NaiveBayes() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getPriorsMethod();
    public native void setPriorsMethod(int method);
    public native boolean getFeatureSelection();
    public native void setFeatureSelection(boolean value);
    public native String getClassVariableId();
    public native void setClassVariableId(String id);
    public native double getNetWeight();
    public native void setNetWeight(double weight);
    /** A new network learnt from the data; the caller disposes of it. */
    public native Network learn(DataSet data);

    /**
     * As {@link #learn(DataSet)}, reporting the run's progress to the listener (null: none). A false
     * answer cancels the run: it throws TARVOException and no network is left behind.
     */
    public Network learn(DataSet data, LearningProgress progress) {
        return learnWithProgress(data, progress);
    }

    private native Network learnWithProgress(DataSet data, LearningProgress progress);
}
