package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/** Structure learning by greedy thick thinning. */
public class GreedyThickThinning extends Wrapper {
    public GreedyThickThinning() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getPriorsMethod();
    public native void setPriorsMethod(int method);
    public native int getMaxParents();
    public native void setMaxParents(int maxParents);
    public native double getNetWeight();
    public native void setNetWeight(double weight);
    public native BkKnowledge getBkKnowledge();
    public native void setBkKnowledge(BkKnowledge knowledge);
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
